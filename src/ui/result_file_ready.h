#pragma once
// Whether the loaded data's result file can take a run's results: asked by every window that appends a
// run's report to it before the run starts.
#include <string>

#include "base/refusal.h"
#include "files/result_lock.h"
#include "model/model.h"

namespace kiwora {

// Why the result file cannot be opened for appending; none when it can (it is created when missing and
// left as it was).
Refusal appendRefusal(const std::string& path);

// No refusal when the loaded data's result file can take a run's results. When the load could not write
// its header block, it is written now, emptying the file as the load would have, so no results go under
// another load's header (or under none). `began` notes the file as the run finds it: the run appends its
// results only to that file. Refused when the file cannot be opened for writing, or when it no longer
// holds the header block this program wrote there, and so takes nothing of this program's runs.
Refusal resultFileReady(Model& m, ResultFileMark& began);

// Notes the loaded data's result file as its header block left it (`started`, taken from the file written).
void noteResultFileHeader(Model& m, ResultFileMark started);

}  // namespace kiwora
