#pragma once
// A data model with the tables of one analysis beside it: runs fill it as model and results at once, and
// the report sections read it as they read an analysis.
#include "analysis/analysis_results.h"
#include "model/model.h"

namespace kiwora {

struct AnalysedModel : Model, AnalysisResults {
  operator AnalysisView() const { return AnalysisView(*this, *this); }
};

}  // namespace kiwora
