#include "ui/test_window_support.h"

#include "files/text_writer.h"
#include "permutation/run_support.h"

namespace kiwora {

void permutationCountChanged(App& app, TextBox& box) {
  PermutationOptions& o = app.model.perm;
  if (const auto n = permutationCount(box.text())) o.NPerm = *n;
  box.setText(std::to_string(o.NPerm));
}

bool resultFileWritable(App& app) {
  const std::string& path = app.model.ds.OutFileName;
  if (canAppendTo(path)) return true;
  app.message("The result file " + path + " cannot be opened for writing! Nothing was calculated.");
  return false;
}

bool appendSection(App& app, const std::function<void(LineWriter&)>& print) {
  const std::string& path = app.model.ds.OutFileName;
  TextFile out(app.services.decimalSign());
  bool written = out.open(path, TextFile::Mode::Append);
  if (written) {
    print(out);
    written = out.close();
  }
  if (!written) app.message("The results could not be written to " + path + "!");
  return written;
}

std::string progressPercent(int perm, int nPerm) {
  return masked(100.0 * perm / (nPerm > 0 ? nPerm : 1), "0");
}

}  // namespace kiwora
