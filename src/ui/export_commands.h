#pragma once
// The main window's commands that write the selected data, or the allele frequencies of the last run,
// to files.
#include <functional>
#include <string>

#include "base/refusal.h"
#include "ui/app.h"

namespace kiwora {

// The result file of this session (the loaded data's or the assignment's) that `path` names, by its name
// or as the same file under another name (`./x/../demo-out.txt`, a hard link); empty when none.
std::string sessionResultFileAt(const Model& m, const std::string& path);

// Asks for the path of a file to write, then writes it with `write`, which returns the refusal when the
// file cannot be written (none when it was written, or when its failure was already reported). A refusal
// is shown and the dialog opens again at the same path, until the file is written or the user cancels. A
// result file of this session is refused before anything is written, the same way.
void saveThroughDialog(App& app, const std::string& title,
                       const std::function<Refusal(const std::string& path)>& write);

// "Save selected loci and populations as input file for Kiwora".
void Save_As_Kiwora(App& app);
// "Save selected loci and populations as input file for Tarn".
void Save_AS_Tarn(App& app);
// "Save allele frequencies as input file for Tarn".
void exTarn(App& app);
// "Save results of allele frquencies as csv-file".
void OutPutPast(App& app);

}  // namespace kiwora
