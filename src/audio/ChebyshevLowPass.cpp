// Chebyshev type I low-pass design (four poles).
#include "audio/ChebyshevLowPass.h"

#include <cmath>
#include <numbers>

namespace {

constexpr int Poles = 4;

// One two-pole section in the z-plane: a0 + a1 z⁻¹ + a2 z⁻² over 1 − b1 z⁻¹ − b2 z⁻².
struct TSection {
    double A0, A1, A2, B1, B2;
};

TSection PolePair(int p, double cutoff, double ripplePercent) {
    const double pi = std::numbers::pi;
    // Pole on the unit circle, left half of the s-plane.
    const double angle = pi / (Poles * 2) + (p - 1) * pi / Poles;
    double rp = -std::cos(angle);
    double ip = std::sin(angle);

    // Warp from the circle onto the ellipse that gives the ripple.
    const double es = std::sqrt(std::pow(100.0 / (100.0 - ripplePercent), 2) - 1.0);
    const double vx = std::log(1.0 / es + std::sqrt(1.0 / (es * es) + 1.0)) / Poles;
    double kx = std::log(1.0 / es + std::sqrt(1.0 / (es * es) - 1.0)) / Poles;
    kx = (std::exp(kx) + std::exp(-kx)) / 2.0;
    rp = rp * ((std::exp(vx) - std::exp(-vx)) / 2.0) / kx;
    ip = ip * ((std::exp(vx) + std::exp(-vx)) / 2.0) / kx;

    // Bilinear transform of the section with a unit cut-off.
    const double t = 2.0 * std::tan(0.5);
    const double w = 2.0 * pi * cutoff;
    const double m = rp * rp + ip * ip;
    double d = 4.0 - 4.0 * rp * t + m * t * t;
    const double x0 = t * t / d;
    const double x1 = 2.0 * t * t / d;
    const double x2 = t * t / d;
    const double y1 = (8.0 - 2.0 * m * t * t) / d;
    const double y2 = (-4.0 - 4.0 * rp * t - m * t * t) / d;

    // Low-pass to low-pass: move the unit cut-off to `cutoff`.
    const double k = std::sin(0.5 - w / 2.0) / std::sin(0.5 + w / 2.0);
    d = 1.0 + y1 * k - y2 * k * k;
    TSection s;
    s.A0 = (x0 - x1 * k + x2 * k * k) / d;
    s.A1 = (-2.0 * x0 * k + x1 + x1 * k * k - 2.0 * x2 * k) / d;
    s.A2 = (x0 * k * k - x1 * k + x2) / d;
    s.B1 = (2.0 * k + y1 + y1 * k * k - 2.0 * y2 * k) / d;
    s.B2 = (-k * k - y1 * k + y2) / d;
    return s;
}

} // namespace

TLowPassCoefficients DesignChebyshevLowPass(double cutoff, double ripplePercent) {
    // Polynomials in z⁻¹, offset by two so that the section products can look back two terms.
    double a[Poles + 3] = {};
    double b[Poles + 3] = {};
    a[2] = 1.0;
    b[2] = 1.0;
    for (int p = 1; p <= Poles / 2; ++p) {
        const TSection s = PolePair(p, cutoff, ripplePercent);
        double ta[Poles + 3], tb[Poles + 3];
        for (int i = 0; i < Poles + 3; ++i) {
            ta[i] = a[i];
            tb[i] = b[i];
        }
        for (int i = 2; i < Poles + 3; ++i) {
            a[i] = s.A0 * ta[i] + s.A1 * ta[i - 1] + s.A2 * ta[i - 2];
            b[i] = tb[i] - s.B1 * tb[i - 1] - s.B2 * tb[i - 2];
        }
    }
    b[2] = 0.0;
    TLowPassCoefficients c;
    double sa = 0.0, sb = 0.0;
    for (int i = 0; i <= Poles; ++i) {
        c.A[i] = a[i + 2];
        c.B[i] = -b[i + 2];
        sa += c.A[i];
        sb += c.B[i];
    }
    const double gain = sa / (1.0 - sb);
    for (double& v : c.A)
        v /= gain;
    return c;
}
