#pragma once

#include <cstdint>

namespace tonquelle {

// Display units of a panel's amplitude fields. The record always keeps linear factors.
inline constexpr std::int32_t UnitLinear = 0;   // button "1": the factor itself
inline constexpr std::int32_t UnitDecibel = 1;  // button "dB": 20 * log10(factor)

// Bits of ChannelPanel::PendingChanges. Value bits: a ChannelSettings field changed. Control bits:
// the user operated that control, so the sync reads it and never writes it back. Unit bits: a
// display unit changed.
namespace PanelBit {
inline constexpr std::uint64_t FlagsChanged = 1ull << 0;
inline constexpr std::uint64_t WaveformChanged = 1ull << 1;
inline constexpr std::uint64_t WaveformPicked = 1ull << 2;
inline constexpr std::uint64_t MutePicked = 1ull << 3;
inline constexpr std::uint64_t PhaseChanged = 1ull << 4;
inline constexpr std::uint64_t PhaseSliderMoved = 1ull << 5;
inline constexpr std::uint64_t PhaseTextEdited = 1ull << 6;
inline constexpr std::uint64_t FrequencyChanged = 1ull << 7;
inline constexpr std::uint64_t FrequencySliderMoved = 1ull << 8;
inline constexpr std::uint64_t FrequencyTextEdited = 1ull << 9;
inline constexpr std::uint64_t FMCheckPicked = 1ull << 10;
inline constexpr std::uint64_t FMWaveformChanged = 1ull << 11;
inline constexpr std::uint64_t FMWaveformPicked = 1ull << 12;
inline constexpr std::uint64_t FMFrequencyChanged = 1ull << 13;
inline constexpr std::uint64_t FMFrequencyTextEdited = 1ull << 14;
inline constexpr std::uint64_t FMMinChanged = 1ull << 15;
inline constexpr std::uint64_t FMMinTextEdited = 1ull << 16;
inline constexpr std::uint64_t FMMaxChanged = 1ull << 17;
inline constexpr std::uint64_t FMMaxTextEdited = 1ull << 18;
inline constexpr std::uint64_t AmplitudeChanged = 1ull << 19;
inline constexpr std::uint64_t AmplitudeSliderMoved = 1ull << 20;
inline constexpr std::uint64_t AmplitudeTextEdited = 1ull << 21;
inline constexpr std::uint64_t AmplitudeUnitChanged = 1ull << 22;
inline constexpr std::uint64_t AMCheckPicked = 1ull << 23;
inline constexpr std::uint64_t AMWaveformChanged = 1ull << 24;
inline constexpr std::uint64_t AMWaveformPicked = 1ull << 25;
inline constexpr std::uint64_t AMFrequencyChanged = 1ull << 26;
inline constexpr std::uint64_t AMFrequencyTextEdited = 1ull << 27;
inline constexpr std::uint64_t AMMinChanged = 1ull << 28;
inline constexpr std::uint64_t AMMinTextEdited = 1ull << 29;
inline constexpr std::uint64_t AMMinUnitChanged = 1ull << 30;
inline constexpr std::uint64_t AMMaxChanged = 1ull << 31;
inline constexpr std::uint64_t AMMaxTextEdited = 1ull << 32;
inline constexpr std::uint64_t AMMaxUnitChanged = 1ull << 33;
inline constexpr std::uint64_t DutyCycleChanged = 1ull << 34;
inline constexpr std::uint64_t DutyTextEdited = 1ull << 35;
inline constexpr std::uint64_t FMLogPicked = 1ull << 36;
}  // namespace PanelBit

// Every value bit: what a memory-slot load raises, and what makes a sync publish.
inline constexpr std::uint64_t ValueBits = 0x4950AA893;
// The value bits plus the three unit bits: fills every control of a new panel.
inline constexpr std::uint64_t RefreshAllBits = 0x6D54AA893;

}  // namespace tonquelle
