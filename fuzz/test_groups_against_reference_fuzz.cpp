// Feeds arbitrary text as a test-group file to the reader that checks it against a loaded reference file
// (loci, allele ranges, table sizes) and puts it in place: it must refuse or load, never crash, and what
// it loads must fit the reference data's tables.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "files/assignment_files.h"
#include "files/input_file.h"

namespace {

struct Reference {
  kiwora::DataSet ds;
  kiwora::Selection sel;
  kiwora::TestGroups ranges;
  std::string path;  // where each input is written, as the reader takes a file
  Reference() {
    std::string text;
    if (kiwora::readWholeFile(KIWORA_SOURCE_DIR "/tests/scripts/ref_oaks.txt", text)) std::abort();
    const auto parsed = kiwora::parseInputText(text);
    if (!parsed.ok()) std::abort();
    kiwora::buildDataSet(parsed.data, ds, sel);
    kiwora::completeReferenceData(ds, ranges);
    ds.RefFileName = "ref_oaks.txt";
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    path = std::string(dir) + "/kiwora-fuzz-groups-" + std::to_string(getpid()) + ".txt";
  }
  ~Reference() { unlink(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Reference ref;
  std::ofstream(ref.path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                    static_cast<std::streamsize>(size));
  kiwora::TestGroupRead read;
  if (kiwora::readTestGroupFile(ref.path, ref.ds, ref.sel, ref.ranges, read)) return 0;
  kiwora::DataSet ds = ref.ds;
  kiwora::Selection sel = ref.sel;
  kiwora::TestGroups tg = ref.ranges;
  kiwora::installTestGroups(std::move(read), ds, sel, tg);
  if (tg.NTestGr < 0 || tg.TestGrName.size() != static_cast<std::size_t>(tg.NTestGr) + 1) std::abort();
  if (ds.MaxAllele < ref.ds.MaxAllele || sel.LocSel.size() != ref.sel.LocSel.size()) std::abort();
  for (int l = 1; l <= ds.NLoci; ++l)
    if (tg.TestMaxAllele[static_cast<std::size_t>(l)] > ds.MaxAllele) std::abort();  // a code beyond the tables
  return 0;
}
