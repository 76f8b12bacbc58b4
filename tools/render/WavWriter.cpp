#include "tools/render/WavWriter.h"

#include <cstring>

namespace tonquelle {

namespace {

constexpr std::uint16_t WaveFormatExtensible = 0xFFFE;
constexpr std::uint32_t FormatChunkBytes = 40;
constexpr std::uint16_t ExtensionBytes = 22;
// KSDATAFORMAT_SUBTYPE_PCM, 00000001-0000-0010-8000-00AA00389B71, in its stored byte order.
constexpr std::uint8_t PcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                           0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

class HeaderCursor {
  public:
    explicit HeaderCursor(std::uint8_t* out) : out_(out) {}
    void Tag(const char (&tag)[5]) { Bytes(reinterpret_cast<const std::uint8_t*>(tag), 4); }
    void U16(std::uint32_t value) { LittleEndian(value, 2); }
    void U32(std::uint32_t value) { LittleEndian(value, 4); }
    void Bytes(const std::uint8_t* bytes, std::size_t count) {
        std::memcpy(out_, bytes, count);
        out_ += count;
    }

  private:
    void LittleEndian(std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            *out_++ = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    std::uint8_t* out_;
};

}  // namespace

std::array<std::uint8_t, WaveHeaderBytes> MakeWaveHeader(const OutputConfig& config,
                                                         std::uint32_t dataBytes) {
    const auto sampleBytes = static_cast<std::uint32_t>(config.Resolution / 8);
    const auto blockAlign = static_cast<std::uint32_t>(config.ChannelCount) * sampleBytes;
    const auto rate = static_cast<std::uint32_t>(config.SampleRate);

    std::array<std::uint8_t, WaveHeaderBytes> header{};
    HeaderCursor cursor(header.data());
    cursor.Tag("RIFF");
    cursor.U32(WaveHeaderBytes - 8 + dataBytes + WavePadBytes(dataBytes));
    cursor.Tag("WAVE");
    cursor.Tag("fmt ");
    cursor.U32(FormatChunkBytes);
    cursor.U16(WaveFormatExtensible);
    cursor.U16(static_cast<std::uint32_t>(config.ChannelCount));
    cursor.U32(rate);
    cursor.U32(rate * blockAlign);
    cursor.U16(blockAlign);
    cursor.U16(sampleBytes * 8);  // container size
    cursor.U16(ExtensionBytes);
    cursor.U16(static_cast<std::uint32_t>(config.Resolution));  // valid bits
    cursor.U32(static_cast<std::uint32_t>(config.ChannelMask));
    cursor.Bytes(PcmSubFormat, sizeof PcmSubFormat);
    cursor.Tag("data");
    cursor.U32(dataBytes);
    return header;
}

}  // namespace tonquelle
