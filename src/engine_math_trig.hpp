// engine_math_trig -- the game's own sine, cosine and two-argument arctangent of 32-bit floats,
// correctly rounded for every input, so the rules move coins alike on every platform.
#pragma once

// Each returns the float nearest the exact value (ties to even; none occur), for every input,
// whatever the C library: no libm transcendental, no long double, no fused multiply-add.
// NaN and infinite arguments give NaN; zeros and infinities follow C's Annex F.
float roundedSin(float x);
float roundedCos(float x);
float roundedAtan2(float y, float x);

// The two stages behind each function, for the proof tool (tools/proofs/trig_proof.cpp) and the
// tests. A stage gives an estimate of the exact value, high + low, and a bound on the estimate's
// error. The functions round the fast estimate when no rounding boundary between floats lies within
// its bound, and otherwise the slow one. The stages take finite arguments, nonzero for sine and
// cosine, both nonzero for the arctangent.
struct TrigEstimate {
    double high;
    double low;  // 0 from the fast stages
    double bound;
};
TrigEstimate estimateSinFast(float x);
TrigEstimate estimateSinSlow(float x);
TrigEstimate estimateCosFast(float x);
TrigEstimate estimateCosSlow(float x);
TrigEstimate estimateAtan2Fast(float y, float x);
TrigEstimate estimateAtan2Slow(float y, float x);
// True where roundedAtan2 takes neither stage: 0 < |y/x| < 2^-26 with x > 0, where atan(y/x)
// rounds as y/x does, or down when y/x lies on a rounding boundary.
bool atan2RoundsTheRatio(float y, float x);
// Whether the functions take a fast estimate's float as it is; when false they hand the input to
// the slow stage. False whenever a rounding boundary lies within the bound; from 2^-40 up the
// test reads the estimate's bits and declines a little more than that.
bool fastTrigEstimateDecides(const TrigEstimate& fast);
// The float nearest high + low; true when every value within the bound rounds to it.
bool roundTrigEstimate(const TrigEstimate& estimate, float& rounded);
