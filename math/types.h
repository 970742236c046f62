#pragma once
// The numeric layer's value types and status codes. Every routine keeps the
// published IPP argument order and returns an IppStatus: 0 success, negative
// an error (the output is left untouched), positive a warning (the output is
// complete).
#include <cstdint>

namespace tavrel {

using Ipp8u = std::uint8_t;
using Ipp8s = std::int8_t;
using Ipp16u = std::uint16_t;
using Ipp16s = std::int16_t;
using Ipp32u = std::uint32_t;
using Ipp32s = std::int32_t;
using Ipp64u = std::uint64_t;
using Ipp64s = std::int64_t;
using Ipp32f = float;
using Ipp64f = double;

struct Ipp16sc { Ipp16s re, im; };
struct Ipp32sc { Ipp32s re, im; };
struct Ipp32fc { Ipp32f re, im; };
struct Ipp64fc { Ipp64f re, im; };

struct IppiSize { int width, height; };
struct IppiRect { int x, y, width, height; };
struct IppiPoint { int x, y; };

using IppStatus = std::int32_t;

enum : IppStatus {
  ippStsNoErr = 0,
  ippStsSizeErr = -6,
  ippStsRangeErr = -7,
  ippStsNullPtrErr = -8,
  ippStsMemAllocErr = -9,
  ippStsDivByZeroErr = -10,
  ippStsStepErr = -14,
  ippStsFftOrderErr = -15,
  ippStsFftFlagErr = -16,
  ippStsContextMatchErr = -17,
  ippStsThresholdErr = -18,
  ippStsThreshNegLevelErr = -19,
  ippStsMirrorFlipErr = -21,
  ippStsInterpolationErr = -22,
  ippStsResizeFactorErr = -23,
  ippStsIIROrderErr = -25,
  ippStsFIRLenErr = -26,
  ippStsSamplePhaseErr = -30,
  ippStsSampleFactorErr = -31,
  ippStsShiftErr = -32,
  ippStsJaehneErr = -38,
  ippStsHugeWinErr = -39,
  ippStsTrnglAsymErr = -40,
  ippStsTrnglPhaseErr = -41,
  ippStsTrnglFreqErr = -42,
  ippStsTrnglMagnErr = -43,
  ippStsTonePhaseErr = -44,
  ippStsToneFreqErr = -45,
  ippStsToneMagnErr = -46,
  ippStsAlphaTypeErr = -50,
  ippStsLUTNofLevelsErr = -106,
  ippStsPeriodicityLengthErr = -119,  // no published name; the estimator's length misfits its range
  ippStsResizeNoOperationErr = -201,
  ippStsSqrtNegArg = 3,
  ippStsDivByZero = 6,
  ippStsLnZeroArg = 7,
  ippStsLnNegArg = 8,
  ippStsWrongIntersectROI = 29,
};

// Argument enumerations of the published routines (values as published).
enum IppCmpOp : int { ippCmpLess = 0, ippCmpLessEq = 1, ippCmpEq = 2, ippCmpGreaterEq = 3, ippCmpGreater = 4 };
enum IppHintAlgorithm : int { ippAlgHintNone = 0, ippAlgHintFast = 1, ippAlgHintAccurate = 2 };
// Rounding of the float-to-integer conversions; any other value truncates.
enum IppRoundMode : int { ippRndZero = 0, ippRndNear = 1 };
enum IppiAxis : int { ippAxsHorizontal = 0, ippAxsVertical = 1, ippAxsBoth = 2 };
enum IppiAlphaType : int {
  ippAlphaOver = 0, ippAlphaIn = 1, ippAlphaOut = 2, ippAlphaATop = 3, ippAlphaXor = 4,
  ippAlphaPlus = 5, ippAlphaOverPremul = 6, ippAlphaInPremul = 7, ippAlphaOutPremul = 8,
  ippAlphaATopPremul = 9, ippAlphaXorPremul = 10, ippAlphaPlusPremul = 11
};

}  // namespace tavrel
