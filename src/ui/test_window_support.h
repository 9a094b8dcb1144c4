#pragma once
// What the windows of the tests within and among populations share: the permutation-count box and the
// checks made before a run.
#include <functional>
#include <string>

#include "files/text_writer.h"
#include "ui/app.h"

namespace kiwora {

// The permutation-count box: a whole number of at least 1 becomes NPerm; anything else keeps the stored
// count. The box then shows NPerm again.
void permutationCountChanged(App& app, TextBox& box);

// The result file can take the results; otherwise the user is told and false returned.
bool resultFileWritable(App& app);

// Appends a section to the result file; when it cannot be written completely, tells the user and returns
// false.
bool appendSection(App& app, const std::function<void(LineWriter&)>& print);

// A progress percentage as the test windows show it: 100 x perm / nPerm, whole.
std::string progressPercent(int perm, int nPerm);

}  // namespace kiwora
