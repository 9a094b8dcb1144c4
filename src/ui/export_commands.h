#pragma once
// The main window's commands that write the selected data to files.
#include "ui/app.h"

namespace kiwora {

// "Save selected loci and populations as input file for Kiwora".
void Save_As_Kiwora(App& app);
// "Save selected loci and populations as input file for Tarn".
void Save_AS_Tarn(App& app);

}  // namespace kiwora
