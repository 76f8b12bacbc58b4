#pragma once

// Power spectra for the tests, with an FFT of their own: averaged periodograms of Hann-windowed
// segments, and the power in third-octave bands.

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <vector>

namespace tonquelle::testing {

// The discrete Fourier transform of `data` in place (its size a power of two): iterative
// radix-2, decimation in time.
inline void Fft(std::vector<std::complex<double>>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi / length);
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> w = 1.0;
            for (std::size_t k = 0; k < length / 2; ++k, w *= step) {
                const std::complex<double> even = data[start + k];
                const std::complex<double> odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
            }
        }
    }
}

// The mean power per bin (0 … segment / 2) of the Hann-windowed segments of `segment` samples
// (a power of two), overlapping by half.
inline std::vector<double> PowerSpectrum(const std::vector<double>& samples, std::size_t segment) {
    std::vector<double> power(segment / 2 + 1, 0.0);
    std::vector<std::complex<double>> data(segment);
    std::size_t count = 0;
    for (std::size_t start = 0; start + segment <= samples.size(); start += segment / 2) {
        for (std::size_t i = 0; i < segment; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / segment);
            data[i] = samples[start + i] * window;
        }
        Fft(data);
        for (std::size_t k = 0; k < power.size(); ++k)
            power[k] += std::norm(data[k]);
        ++count;
    }
    for (double& p : power)
        p /= static_cast<double>(count);
    return power;
}

// A third-octave band: centre 10^(n/10) Hz (n = 13 is 20 Hz, n = 43 is 20 kHz), edges a sixth
// of an octave either side.
struct Band {
    double Centre, Low, High;
};
inline Band ThirdOctave(int n) {
    const double centre = std::pow(10.0, n / 10.0);
    return {centre, centre * std::pow(2.0, -1.0 / 6.0), centre * std::pow(2.0, 1.0 / 6.0)};
}

// The level in dB of the power of the bins whose frequencies lie in `band`, per hertz of band
// when `perHertz`.
inline double BandLevel(const std::vector<double>& power, double binHertz, const Band& band,
                        bool perHertz) {
    double sum = 0.0;
    for (std::size_t k = 0; k < power.size(); ++k) {
        const double f = k * binHertz;
        if (f >= band.Low && f < band.High)
            sum += power[k];
    }
    return 10.0 * std::log10(perHertz ? sum / (band.High - band.Low) : sum);
}

}  // namespace tonquelle::testing
