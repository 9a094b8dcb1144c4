#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/number_format.h"
#include "base/random.h"
#include "base/worker_pool.h"
#include "files/fixed_text.h"
#include "files/ordered_parts.h"

namespace kiwora {
namespace {

TEST(FixedText, WritesWhatFormatFixedWrites) {
  std::vector<double> values = {0.0, -0.0, 1e-300, 0.0005, 0.00049999, -0.0004, -0.0006, 0.9995, 0.99949,
                                9.9994, 9.9995, 9.99951, 10.0, 123.45, -7.25, 1e12,
                                std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()};
  // Exact halves in the last place (k / 2000 = 0.0005 + k' / 1000 for odd k), their neighbours, and spread
  // values of both signs.
  for (int k = 1; k < 20000; k += 2) {
    const double half = k / 2000.0;
    values.insert(values.end(), {half, std::nextafter(half, 0.0), std::nextafter(half, 1e9), -half});
  }
  Random rng = Random::stream(5, 0, 0);
  for (int i = 0; i < 20000; ++i) values.push_back((rng.uniform() - 0.2) * 12);
  for (int decimals : {0, 1, 3, 5})
    for (char dec : {'.', ','}) {
      const FixedText text(decimals, dec);
      for (double v : values) {
        std::string got = "x";
        text.append(got, v);
        char buf[kFixedBufferSize];
        EXPECT_EQ(got, "x" + std::string(buf, formatFixed(buf, v, decimals, dec)))
            << v << " with " << decimals << " decimals";
      }
    }
}

// Parts of uneven length, each line naming its part, joined on one thread and on several.
std::string joined(std::size_t n, const std::vector<int>& lines, int threads) {
  setWorkerThreads(threads);
  LineWriter out(',');
  out.text("head").nl();
  appendInOrder(out, n, [&](std::size_t i, LineWriter& part) {
    EXPECT_EQ(part.column(), 1);
    EXPECT_TRUE(part.str().empty());
    for (int j = 0; j < lines[i % lines.size()]; ++j) part.text("part " + std::to_string(i)).tab(12).fixed(j / 8.0, 2).nl();
  });
  setWorkerThreads(0);
  return out.str();
}

TEST(AppendInOrder, PartsFollowTheirOrderOnAnyNumberOfThreads) {
  const std::vector<int> lines = {3, 0, 2000, 1, 17};
  std::string want = "head\r\n";
  for (std::size_t i = 0; i < 200; ++i)
    for (int j = 0; j < lines[i % lines.size()]; ++j) {
      char buf[kFixedBufferSize];
      std::string name = "part " + std::to_string(i);
      want += name + std::string(11 - name.size(), ' ') + std::string(buf, formatFixed(buf, j / 8.0, 2, ',')) + "\r\n";
    }
  for (int threads : {1, 3, 8}) EXPECT_EQ(joined(200, lines, threads), want) << threads << " threads";
  EXPECT_EQ(joined(0, lines, 4), "head\r\n");
}

TEST(AppendInOrder, AFailedPartEndsTheLoopWithItsException) {
  for (int threads : {1, 4}) {
    setWorkerThreads(threads);
    LineWriter out;
    EXPECT_THROW(appendInOrder(out, 500,
                               [](std::size_t i, LineWriter& part) {
                                 if (i == 37) throw std::runtime_error("no room");
                                 part.text(std::string(1000, 'a')).nl();
                               }),
                 std::runtime_error);
    // Only whole parts before the failed one were written.
    EXPECT_LE(out.str().size(), 37 * 1002u);
    EXPECT_EQ(out.str().size() % 1002, 0u);
  }
  setWorkerThreads(0);
}

}  // namespace
}  // namespace kiwora
