#include "waveform/UnreadableLines.h"

namespace tonquelle {

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view Ellipsis = "\xE2\x80\xA6";     // U+2026

// Length of the well-formed UTF-8 sequence at the start of `text`, or 0 when there is none.
std::size_t SequenceLength(std::string_view text) {
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range (no overlong forms,
    if (lead >= 0xC2 && lead <= 0xDF) {     // no surrogates, nothing beyond U+10FFFF)
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// The first character of `text` as it is shown, and how many bytes it took.
std::string_view ShownCharacter(std::string_view text, std::size_t& taken) {
    const std::size_t length = SequenceLength(text);
    taken = length == 0 ? 1 : length;
    const auto lead = static_cast<unsigned char>(text[0]);
    const bool control = length == 1 && lead != '\t' && (lead < 0x20 || lead == 0x7F);
    return length == 0 || control ? Replacement : text.substr(0, length);
}

}  // namespace

std::string ShortenedText(std::string_view text, std::size_t limit) {
    std::string shown;
    for (std::size_t count = 0; !text.empty(); ++count) {
        std::size_t taken = 0;
        const std::string_view character = ShownCharacter(text, taken);
        text.remove_prefix(taken);
        if (count + 1 == limit && !text.empty()) {
            return shown.append(Ellipsis);
        }
        shown.append(character);
    }
    return shown;
}

std::string UnreadableLinesMessage(std::string_view path, const UnreadableLines& lines) {
    const std::string file = "In der Datei \"" + std::string(path) + "\" ";
    const std::string line = "Zeile " + std::to_string(lines.FirstLine);
    const std::string text = "\"" + lines.FirstText + "\"";
    if (lines.Count == 1) {
        return file + "ist " + line + " keine Zahl: " + text + ". Sie gilt als 0.";
    }
    return file + "sind " + std::to_string(lines.Count) + " Zeilen keine Zahlen, die erste ist " +
           line + ": " + text + ". Sie gelten als 0.";
}

}  // namespace tonquelle
