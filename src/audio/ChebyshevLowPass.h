// Design of the resampler's recursive low-pass filter: a Chebyshev type I filter, designed
// pole pair by pole pair in the s-plane, moved to the z-plane with the bilinear transform and
// to its cut-off with the low-pass-to-low-pass transform.
#pragma once

// y[n] = Σ(k = 0 … 4) A[k] × x[n − k] + Σ(k = 1 … 4) B[k] × y[n − k]; B[0] is unused (0).
struct TLowPassCoefficients {
    double A[5] = {};
    double B[5] = {};
};

// `cutoff` is a fraction of the sampling rate (0 < cutoff < 0.5); `ripplePercent` the
// pass-band ripple (5 for the resampler). Four poles. The feed-forward coefficients are
// scaled so that the gain at 0 Hz is exactly 1.
TLowPassCoefficients DesignChebyshevLowPass(double cutoff, double ripplePercent = 5.0);
