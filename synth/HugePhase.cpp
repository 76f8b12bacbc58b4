#include "synth/HugePhase.h"

#include <array>
#include <bit>
#include <cmath>

namespace tonquelle {

namespace {

__extension__ typedef unsigned __int128 Wide;

// The double 2π is TwoPiMantissa · 2^-50.
constexpr std::uint64_t TwoPiMantissa = 0x1921fb54442d18;
constexpr int TwoPiExponent = -50;
// Mantissas carry 53 bits; the largest finite double is below 2^(971 + 53).
constexpr int MaxExponent = 971;

// 2^k mod TwoPiMantissa for every k a huge phase needs (k = e + 50, e ≤ 971).
constexpr std::array<std::uint64_t, MaxExponent - TwoPiExponent + 1> PowersOfTwoModTwoPi = [] {
    std::array<std::uint64_t, MaxExponent - TwoPiExponent + 1> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& entry : powers) {
        entry = power;
        power = (power * 2) % TwoPiMantissa;
    }
    return powers;
}();

// The bits of 2/π after the binary point, 64 to a word, most significant first, after a word of
// zeros that lets the window of ReduceHugePhase start before the point.
constexpr std::uint64_t TwoOverPiBits[] = {
    0x0000000000000000, 0xa2f9836e4e441529, 0xfc2757d1f534ddc0, 0xdb6295993c439041,
    0xfe5163abdebbc561, 0xb7246e3a424dd2e0, 0x06492eea09d1921c, 0xfe1deb1cb129a73e,
    0xe88235f52ebb4484, 0xe99c7026b45f7e41, 0x3991d639835339f4, 0x9c845f8bbdf9283b,
    0x1ff897ffde05980f, 0xef2f118b5a0a6d1f, 0x6d367ecf27cb09b7, 0x4f463f669e5fea2d,
    0x7527bac7ebe5f17b, 0x3d0739f78a5292ea, 0x6bfb5fb11f8d5d08, 0x56033046fc7b6bab,
    0xf0cfbc209af4361d};

constexpr double HalfPi = 0x1.921fb54442d18p+0;

// |x| = Mantissa · 2^Exponent with a 53-bit integer mantissa; x normal.
struct Decomposed {
    std::uint64_t Mantissa;
    int Exponent;
};

Decomposed Decompose(double x) {
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    return {(bits & 0xFFFFFFFFFFFFFu) | (std::uint64_t{1} << 52), biased - 1075};
}

// 64 bits of TwoOverPiBits from bit position `position` (0 = the first bit of the zero word).
std::uint64_t BitsAt(int position) {
    const int word = position / 64;
    const int shift = position % 64;
    const std::uint64_t high = TwoOverPiBits[word] << shift;
    return shift == 0 ? high : high | (TwoOverPiBits[word + 1] >> (64 - shift));
}

}  // namespace

double WrapHugePhase(double x) {
    if (!std::isfinite(x)) {
        return std::nan("");
    }
    // |x| mod 2π = 2^-50 · (m · 2^(e + 50) mod M): exact, and representable since it is below
    // M · 2^-50.
    const Decomposed d = Decompose(x);
    const auto remainder = static_cast<std::uint64_t>(
        Wide{d.Mantissa} * PowersOfTwoModTwoPi[d.Exponent - TwoPiExponent] % TwoPiMantissa);
    // fmod keeps the sign of x; WrapPhase then adds 2π, which is exact here.
    const std::uint64_t wrapped = x < 0.0 && remainder != 0 ? TwoPiMantissa - remainder : remainder;
    return std::ldexp(static_cast<double>(wrapped), TwoPiExponent);
}

QuarterPeriod ReduceHugePhase(double x) {
    // |x| · 2/π modulo 4 from the bits of 2/π at positions e − 1 ... e + 190 (counted from 1
    // after the point): earlier bits add multiples of 4, later ones less than 2^-137.
    const Decomposed d = Decompose(x);
    const int start = d.Exponent - 1 + 63;  // position of bit e − 1 in TwoOverPiBits
    const std::uint64_t g2 = BitsAt(start), g1 = BitsAt(start + 64), g0 = BitsAt(start + 128);
    // P = m · G mod 2^192, G = g2·2^128 + g1·2^64 + g0; |x|·2/π ≡ P · 2^-190 (mod 4).
    const Wide low = Wide{d.Mantissa} * g0;
    const Wide middle = Wide{d.Mantissa} * g1 + static_cast<std::uint64_t>(low >> 64);
    const std::uint64_t p1 = static_cast<std::uint64_t>(middle);
    const std::uint64_t p2 = d.Mantissa * g2 + static_cast<std::uint64_t>(middle >> 64);
    // Quadrant: bits 190 and 191 of P; fraction: the 64 bits below them, taken as a signed
    // number so that a fraction of a half or more counts from the next quadrant.
    const auto fraction = static_cast<std::int64_t>((p2 << 2) | (p1 >> 62));
    std::int64_t quadrant = static_cast<std::int64_t>(p2 >> 62) + (fraction < 0 ? 1 : 0);
    double reduced = std::ldexp(static_cast<double>(fraction), -64) * HalfPi;
    if (x < 0.0) {
        quadrant = -quadrant;
        reduced = -reduced;
    }
    return {reduced, quadrant};
}

}  // namespace tonquelle
