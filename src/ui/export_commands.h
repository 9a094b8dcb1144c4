#pragma once
// The main window's commands that write the selected data, or the allele frequencies of the last run,
// to files.
#include "ui/app.h"

namespace kiwora {

// "Save selected loci and populations as input file for Kiwora".
void Save_As_Kiwora(App& app);
// "Save selected loci and populations as input file for Tarn".
void Save_AS_Tarn(App& app);
// "Save allele frequencies as input file for Tarn".
void exTarn(App& app);
// "Save results of allele frquencies as csv-file".
void OutPutPast(App& app);

}  // namespace kiwora
