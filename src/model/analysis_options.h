#pragma once
// The choices of the population-analysis window. They outlive the window and every data load: the values
// of one visit are the starting values of the next, until the program ends. 0 means "not set yet".
#include <string>

namespace kiwora {

// How the populations' coordinates are read; the numbers are the codes the options keep (0: not chosen yet).
enum class Coordinates { Unset = 0, Plane = 1, DecimalDegrees = 2 };

struct AnalysisOptions {
  int FlagFreqAlleles = 0;
  int FlagDiversityV = 0;
  int FlagNAlleles = 0;
  int FlagHeterozygosity = 0;
  int FlagDistDG = 0;
  int FlagDistDN = 0;
  int FlagClusterGenepool = 0;
  int FlagClusterMLG = 0;
  int FlagEvenness = 0;
  int FlagDegreeHet = 0;
  int FlagVariationMLG = 0;
  int FlagDj = 0;
  int FlagDjNeighbours = 0;
  int NNeighbours = 0;
  int FlagFst = 0;
  int FlagPolymorphic = 0;
  int FlagDominant = 0;
  int FlagSpatialGenDist = 0;
  int FlagFreqGenotypes = 0;
  int FlagCheckLoci = 0;
  int CoordMode = 0;  // 1 plane coordinates, 2 decimal degrees
  int FlagSpatial = 0;
  double SearchRadius = 0;
  int FlagKinship = 0;
  int FlagSavePairs = 0;
  std::string PairsFileName;
  int FlagSimulateCI = 0;
  int FlagKinFreqAllPops = 0;
  int FlagKinFreqNeighbours = 0;
  int KinNNeighbours = 0;
  double KinMinData = 0;
  int NSim = 0;
  int CILimit = 0;
  int FlagTwoLocus = 0;
  double TwoLocMinDj = 0;
  double TwoLocMinData = 0;
  int FlagFreqMLG = 0;
  int FlagNGenotypes = 0;
  double RedMinDivV = 0, RedMaxDeltaV = 0, RedMaxDeltaD = 0, RedMinCorr = 0;

  Coordinates coordinates() const { return static_cast<Coordinates>(CoordMode); }
  void setCoordinates(Coordinates c) { CoordMode = static_cast<int>(c); }

  bool operator==(const AnalysisOptions&) const = default;
};

}  // namespace kiwora
