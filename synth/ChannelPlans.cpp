#include "synth/ChannelPlans.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "synth/ErrorModel.h"
#include "synth/LogSweep.h"
#include "synth/WaveShapes.h"

namespace tonquelle {

namespace {

// The shape ShapeValue evaluates for `index` (a user shape without points gives 0).
ShapeKind ShapeKindOf(std::int32_t index, const WaveformTable& table) {
    if (index >= WaveformIndex::Sine && index < WaveformIndex::User) {
        return static_cast<ShapeKind>(index);
    }
    const bool hasPoints = table.PointCount > 0 && table.Points;
    return index == WaveformIndex::User && hasPoints ? ShapeKind::User : ShapeKind::Zero;
}

// The integral ShapeIntegral evaluates for `index` (none for the user shape).
ShapeKind IntegralKindOf(std::int32_t index) {
    return index >= WaveformIndex::Sine && index < WaveformIndex::User
               ? static_cast<ShapeKind>(index)
               : ShapeKind::Zero;
}

// The user table's figures. Two evaluations at phases e apart differ by at most Slope · e plus
// their roundings: the position's (the steepest step per unit of position), the interpolation's
// (six of the largest point) and that of WrapPhase's sum with 2π for small negative phases.
UserShape UserShapeOf(const WaveformTable& table) {
    UserShape shape;
    shape.Points = table.Points.get();
    shape.Count = table.PointCount;
    shape.PositionScale = table.PointCount / TwoPi;
    double steepest = 0.0;
    double largest = 0.0;
    for (std::int32_t k = 0; k < table.PointCount; ++k) {
        const double step = table.Points[(k + 1) % table.PointCount] - table.Points[k];
        steepest = std::max(steepest, std::fabs(step));
        largest = std::max(largest, std::fabs(table.Points[k]));
    }
    shape.Largest = largest;
    shape.Slope = steepest * shape.PositionScale * (1.0 + 0x1p-40);
    shape.Rounding = (steepest * (table.PointCount + 2.0) + 6.0 * largest + 8.0 * shape.Slope) *
                     errors::ProductRounding;
    return shape;
}

// The largest |integral| of a shape: 2 for the sine, π/2 (triangle, saws) and π (square).
double LargestIntegral(ShapeKind kind) {
    switch (kind) {
        case ShapeKind::Sine:
            return 2.0;
        case ShapeKind::Square:
            return Pi;
        case ShapeKind::Zero:
            return 0.0;
        default:
            return Pi / 2.0;
    }
}

// Whether every value of the channel is NaN, or a zero carrier's 0 · a: the zero code throughout,
// as the formulas compute it. So it is where the carrier's phase, or that of a shaped amplitude
// modulation, is infinite or NaN at every time (every shape is NaN there): from a non-finite
// phase shift, angular frequency (its product with t = 0 is NaN), sum or difference of the FM
// limits, or FM deviation I(x) / W (NaN for a NaN W; for an infinite W the integral of a
// non-finite x, unless there is none: 0 / ±∞ is 0); and where the amplitude factor is NaN at
// every time: a NaN amplitude, or AM limits whose difference or sum is NaN.
// A noise carrier has no phase; a square whose duty cycle is NaN is NaN throughout.
bool CarrierAlwaysNotANumber(const ChannelSettings& s) {
    const auto infinite = [](double x) { return !std::isfinite(x); };
    if (NoiseColourOf(s.Waveform) != NoiseColour::None) {
        return false;
    }
    if (s.Waveform == WaveformIndex::Square && std::isnan(s.DutyCycle / 100 * TwoPi)) {
        return true;
    }
    if (LogarithmicSweep(s)) {
        return false;  // the kernels compute its defined phase, whatever it is
    }
    if ((s.Flags & FlagFM) == 0) {
        return infinite(s.PhaseShift) || infinite(s.Frequency * TwoPi);
    }
    bool always = infinite(s.PhaseShift) || infinite(s.FMMaxFreq + s.FMMinFreq);
    const double w = s.FMFrequency * TwoPi;
    if (s.FMFrequency != 0.0) {
        always = always || infinite(s.FMMaxFreq - s.FMMinFreq) || std::isnan(w) ||
                 (infinite(w) && IntegralKindOf(s.FMWaveform) != ShapeKind::Zero);
    }
    return always;
}

bool AlwaysNotANumber(const ChannelSettings& s, const WaveformTable& amTable) {
    const auto infinite = [](double x) { return !std::isfinite(x); };
    bool always = CarrierAlwaysNotANumber(s);
    if ((s.Flags & FlagAM) == 0) {
        always = always || std::isnan(s.Amplitude);
    } else {
        always = always || std::isnan(s.AMMaxAmp - s.AMMinAmp) ||
                 std::isnan(s.AMMaxAmp + s.AMMinAmp) ||
                 (ShapeKindOf(s.AMWaveform, amTable) != ShapeKind::Zero &&
                  infinite(s.AMFrequency * TwoPi));
    }
    return always;
}

// The index of an equal modulator already planned, or of a new one.
std::int32_t ShareModulator(const ModulatorPlan& modulator, BufferPlans& plans) {
    for (std::int32_t m = 0; m < plans.ModulatorCount; ++m) {
        const ModulatorPlan& other = plans.Modulators[m];
        if (other.Shape == modulator.Shape && other.Integral == modulator.Integral &&
            std::bit_cast<std::uint64_t>(other.Angular) ==
                std::bit_cast<std::uint64_t>(modulator.Angular) &&
            other.Table.Points == modulator.Table.Points && other.Noise == modulator.Noise &&
            other.NoiseKey == modulator.NoiseKey && other.ClipNoise == modulator.ClipNoise) {
            return m;
        }
    }
    plans.Modulators[plans.ModulatorCount] = modulator;
    return plans.ModulatorCount++;
}

void PlanPhase(const ChannelSettings& s, ChannelPlan& plan, BufferPlans& plans) {
    plan.PhaseShift = s.PhaseShift;
    if ((s.Flags & FlagFM) == 0) {
        plan.Phase = PhaseKind::Plain;
        plan.Angular = s.Frequency * TwoPi;
        return;
    }
    plan.CentreSum = s.FMMaxFreq + s.FMMinFreq;
    if (s.FMFrequency == 0.0) {
        plan.Phase = PhaseKind::Centre;
        return;
    }
    plan.Phase = PhaseKind::Modulated;
    plan.Span = s.FMMaxFreq - s.FMMinFreq;
    ModulatorPlan modulator;
    modulator.Shape = IntegralKindOf(s.FMWaveform);
    modulator.Integral = true;
    modulator.Angular = s.FMFrequency * TwoPi;
    modulator.DeviationScale = TwoPi / modulator.Angular;
    if (modulator.Shape == ShapeKind::Sine) {
        modulator.Error = errors::SineDeviationError(modulator.Angular, errors::TrigError);
    }
    plan.FMModulator = ShareModulator(modulator, plans);
    plan.ExactDeviation = modulator.Error == 0.0;
    // |span| / 2 times the largest dd, |integral| · 2π / |W|.
    plan.LargestDeviation = std::fabs(plan.Span) * 0.5 * LargestIntegral(modulator.Shape) * TwoPi /
                            std::fabs(modulator.Angular) * (1.0 + 0x1p-40);
    plan.DeviationError = errors::DeviationError(plan.Span, modulator.Error, plan.LargestDeviation);
}

// A logarithmic sweep's phase: the shape's, computed by the kernels as defined. Its size is
// bounded by whole FM periods' cycles, Period · Scale per second, and one period more.
void PlanSweepPhase(const LogSweepShape& sweep, ChannelPlan& plan) {
    plan.Phase = PhaseKind::LogSweep;
    plan.Sweep = &sweep;
    plan.PhaseShift = sweep.PhaseShift;
    if (!sweep.Modulated) {
        plan.Angular = sweep.Centre * TwoPi;
        return;
    }
    plan.Angular = std::fabs(sweep.Period * sweep.Scale) * TwoPi;
    plan.LargestDeviation = std::fabs(sweep.Period * sweep.CycleScale) * TwoPi;
}

// The modulator of channel `channel`'s noise of `colour` in `role`.
ModulatorPlan NoiseModulator(std::int32_t channel, NoiseColour colour, NoiseRole role) {
    ModulatorPlan modulator;
    modulator.Noise = colour;
    modulator.NoiseKey = NoiseKey(channel, colour, role);
    modulator.ClipNoise = role == NoiseRole::AmplitudeModulation;
    return modulator;
}

void PlanAmplitude(const ChannelSettings& s, const WaveformTable& table, std::int32_t channel,
                   ChannelPlan& plan, BufferPlans& plans) {
    plan.Amplitude = s.Amplitude;
    plan.AmplitudeModulated = (s.Flags & FlagAM) != 0;
    if (!plan.AmplitudeModulated) {
        return;
    }
    plan.AMSpan = s.AMMaxAmp - s.AMMinAmp;
    plan.AMMiddle = (s.AMMaxAmp + s.AMMinAmp) / 2;
    const NoiseColour noise = NoiseColourOf(s.AMWaveform);
    if (noise != NoiseColour::None) {
        plan.AMModulator =
            ShareModulator(NoiseModulator(channel, noise, NoiseRole::AmplitudeModulation), plans);
        return;
    }
    ModulatorPlan modulator;
    modulator.Shape = ShapeKindOf(s.AMWaveform, table);
    modulator.Angular = s.AMFrequency * TwoPi;
    if (modulator.Shape == ShapeKind::User) {
        modulator.Table = UserShapeOf(table);
    }
    if (modulator.Shape == ShapeKind::Sine) {
        modulator.Error = errors::TrigError;
        plan.AmplitudeError =
            errors::AmplitudeFactorError(plan.AMSpan, plan.AMMiddle, modulator.Error);
    }
    plan.AMModulator = ShareModulator(modulator, plans);
}

// The largest |value| of a shape: the built-in ones stay within ±1 (the own sine within a few
// units in the last place of it), as do white noise and the clipped noises of an amplitude
// modulation; pink noise as a carrier within PinkLargest.
double LargestValue(ShapeKind kind, const UserShape& table, NoiseColour noise = NoiseColour::None,
                    bool clipped = true) {
    if (noise != NoiseColour::None) {
        return noise == NoiseColour::Pink && !clipped ? PinkLargest : 1.0;
    }
    switch (kind) {
        case ShapeKind::User:
            return table.Largest;
        case ShapeKind::Zero:
            return 0.0;
        default:
            return 1.0;
    }
}

// How the codes are proven, and the constants of that proof.
void PlanCodes(ChannelPlan& plan, const ModulatorPlan* am) {
    const std::int32_t bytes = plan.Resolution / 8;
    plan.CodeScale = bytes == 2 ? 32767.0 : 2147483647.0;
    plan.CodeShift = bytes == 3 ? 8 : 0;
    const double factor = bytes == 1 ? 127.5 : plan.CodeScale;
    const double scaledMax = bytes == 1 ? 255.0 : plan.CodeScale;
    plan.CodeErrorScale = errors::CodeErrorScale(factor);
    plan.ShapeError = plan.Carrier == ShapeKind::Sine ? errors::TrigError : 0.0;
    const double margin = 1.0 + 0x1p-50;
    const double shapeMax =
        LargestValue(plan.Carrier, plan.CarrierTable, plan.CarrierNoise, false) * margin;
    const double amplitudeMax =
        (am ? std::fabs(plan.AMSpan) * 0.5 * LargestValue(am->Shape, am->Table, am->Noise) *
                      margin +
                  std::fabs(plan.AMMiddle)
            : std::fabs(plan.Amplitude)) *
            margin +
        plan.AmplitudeError;
    // Values too small for any code but the zero code (a subnormal amplitude, say; NaN gives
    // that code too): written as a muted channel's, sparing the processor's slow path for such
    // numbers.
    if (shapeMax * amplitudeMax <= 0x1p-60) {
        plan.Muted = true;
        return;
    }
    const bool exactPhase = plan.Phase != PhaseKind::Modulated || plan.ExactDeviation;
    if (exactPhase && plan.ShapeError == 0.0 && plan.AmplitudeError == 0.0) {
        plan.Bound = ValueBound::Exact;
        return;
    }
    // Values a hair beyond full scale (a factor of 1 times a sine that rounds up) still have
    // the code of full scale without clipping: one bound serves.
    if (!(shapeMax * amplitudeMax <= 1.0 + 0x1p-40)) {
        plan.Bound = ValueBound::PerSample;
        return;
    }
    // As the per-sample bound, with the largest shape, amplitude and value (full scale). A
    // shape error e more adds e · (|a| + 2 · ea) to the value's error.
    plan.Bound = ValueBound::Constant;
    const double valueError = errors::ValueError(shapeMax, plan.ShapeError, amplitudeMax,
                                                 plan.AmplitudeError, shapeMax * amplitudeMax);
    plan.Room = 0.5 - errors::ScaledError(valueError, plan.CodeErrorScale, scaledMax);
    plan.ErrorPerShapeError = (amplitudeMax + 2.0 * plan.AmplitudeError) * plan.CodeErrorScale;
}

}  // namespace

void PlanChannel(const ChannelSettings& settings, const ChannelTables& tables,
                 std::int32_t resolution, BufferPlans& plans) {
    ChannelPlan& plan = plans.Channels[plans.ChannelCount++];
    plan = ChannelPlan{};
    plan.Settings = &settings;
    plan.Resolution = resolution;
    plan.Muted =
        (settings.Flags & FlagMute) != 0 || AlwaysNotANumber(settings, tables[WaveformSlotAM]);
    if (plan.Muted) {
        return;
    }
    const std::int32_t channel = plans.ChannelCount - 1;
    plan.CarrierNoise = NoiseColourOf(settings.Waveform);
    if (plan.CarrierNoise != NoiseColour::None) {
        // No phase: the noise's values are the carrier's.
        plan.NoiseModulator =
            ShareModulator(NoiseModulator(channel, plan.CarrierNoise, NoiseRole::Carrier), plans);
    } else {
        plan.Carrier = ShapeKindOf(settings.Waveform, tables[WaveformSlotCarrier]);
        if (plan.Carrier == ShapeKind::User) {
            plan.CarrierTable = UserShapeOf(tables[WaveformSlotCarrier]);
        }
        plan.PulseEdge = settings.DutyCycle / 100 * TwoPi;
        if (LogarithmicSweep(settings)) {
            const LogSweepShape& sweep = plans.Sweeps[channel] = MakeLogSweepShape(settings);
            // Ratios beyond the sine's series: NaN throughout.
            if (sweep.Modulated && sweep.BesselTerms < 0) {
                plan.Muted = true;
                return;
            }
            PlanSweepPhase(sweep, plan);
        } else {
            PlanPhase(settings, plan, plans);
        }
    }
    PlanAmplitude(settings, tables[WaveformSlotAM], channel, plan, plans);
}

void FinishPlans(BufferPlans& plans, double lastTime) {
    for (std::int32_t m = 0; m < plans.ModulatorCount; ++m) {
        ModulatorPlan& modulator = plans.Modulators[m];
        // The sine's integral from the library itself where a channel of another carrier shape
        // reads it, or one whose deviation is too large for its bound to prove codes, and the
        // library's cosine takes its short way (phases below 2^26): those channels then get the
        // defined phase with no bound at all.
        bool definedHelps = false;
        for (std::int32_t c = 0; c < plans.ChannelCount; ++c) {
            const ChannelPlan& plan = plans.Channels[c];
            definedHelps = definedHelps ||
                           (plan.FMModulator == m &&
                            (plan.Carrier != ShapeKind::Sine || !(plan.DeviationError < 0x1p-36)));
        }
        if (modulator.Integral && modulator.Shape == ShapeKind::Sine && definedHelps &&
            std::fabs(modulator.Angular) * lastTime < 0x1p26) {
            modulator.Defined = true;
            modulator.Error = 0.0;
        }
    }
    for (std::int32_t c = 0; c < plans.ChannelCount; ++c) {
        ChannelPlan& plan = plans.Channels[c];
        if (plan.Phase == PhaseKind::Modulated && plans.Modulators[plan.FMModulator].Defined) {
            plan.ExactDeviation = true;
            plan.DeviationError = 0.0;
        }
        PlanCodes(plan, plan.AmplitudeModulated ? &plans.Modulators[plan.AMModulator] : nullptr);
    }
}

}  // namespace tonquelle
