#include "settings/SettingsFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>

#include "settings/SafeFileWrite.h"
#include "text/AsciiText.h"
#include "text/NumberText.h"

namespace tonquelle {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view LineEnd = "\r\n";
constexpr std::string_view Blanks = " \t";

std::string_view TrimLeft(std::string_view text) {
    const std::size_t first = text.find_first_not_of(Blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text) {
    const std::size_t last = text.find_last_not_of(Blanks);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// A file without byte order mark is Latin-1: each byte is the code point of the same number.
std::string DecodeToUtf8(std::string_view bytes) {
    if (bytes.starts_with(ByteOrderMark)) {
        return std::string(bytes.substr(ByteOrderMark.size()));
    }
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (code < 0x80) {
            text += byte;
        } else {
            text += static_cast<char>(0xC0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return text;
}

// The C library's "%d" scan, except that a number beyond 32 bits gives the nearest 32-bit value
// instead of undefined behaviour. 0 when no number starts the text.
std::int32_t ScanInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsAsciiSpace(text[i])) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    constexpr std::int64_t Limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), Limit);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// "%.64g" of the C locale: to_chars gives the exact decimal digits, as the C library does, and
// never a comma.
std::string DoubleText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Infinity" : "-Infinity";
    }
    std::array<char, 128> buffer{};  // sign, 64 digits, point and a three-digit exponent fit
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 64);
    return std::string(buffer.data(), result.ptr);
}

// A line break inside a value would end its line in the file and turn the rest into an entry
// of its own; it is written as a blank instead.
std::string OneLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return line;
}

}  // namespace

SettingsFile::~SettingsFile() {
    Close();
}

bool SettingsFile::OpenForReading(const std::filesystem::path& path) {
    Close();
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) {
        return false;
    }
    Decode(DecodeToUtf8(bytes));
    path_ = path;
    open_ = true;
    return true;
}

bool SettingsFile::CreateForWriting(const std::filesystem::path& path) {
    Close();
    if (!CanWriteFileAt(path)) {
        return false;
    }
    path_ = path;
    open_ = true;
    created_ = true;
    return true;
}

bool SettingsFile::SelectGroup(std::string_view name) {
    pendingGroup_.clear();
    currentGroup_ = NoGroup;
    if (name.empty()) {
        return true;
    }
    const auto found = std::find_if(entries_.begin(), entries_.end(), [name](const Entry& entry) {
        return entry.Kind == EntryKind::Group && EqualsIgnoringAsciiCase(entry.Name, name);
    });
    if (found == entries_.end()) {
        pendingGroup_ = name;
        return false;
    }
    currentGroup_ = static_cast<std::size_t>(found - entries_.begin());
    return true;
}

std::int32_t SettingsFile::ReadInteger(std::string_view key, std::int32_t def) {
    const std::string* value = FindValue(key);
    return value ? ScanInteger(*value) : def;
}

double SettingsFile::ReadDouble(std::string_view key, double def) {
    const std::string* value = FindValue(key);
    return value ? ParseNumberPointOnly(*value) : def;
}

std::string SettingsFile::ReadString(std::string_view key, std::string_view def) {
    const std::string* value = FindValue(key);
    return std::string(value ? TrimRight(TrimLeft(*value)) : def);
}

void SettingsFile::WriteInteger(std::string_view key, std::int32_t value) {
    WriteValue(key, std::to_string(value));
}

void SettingsFile::WriteDouble(std::string_view key, double value) {
    WriteValue(key, DoubleText(value));
}

void SettingsFile::WriteString(std::string_view key, std::string_view value) {
    WriteValue(key, OneLine(value));
}

void SettingsFile::Close() {
    writeBackFailed_ = false;
    // A created store closed without writes still replaces the file, by an empty one.
    if (open_ && (modified_ || created_)) {
        const FileRenamer rename = [this](const std::filesystem::path& from,
                                          const std::filesystem::path& to) {
            return RenameOver(from, to);
        };
        writeBackFailed_ = !WriteFileSafely(path_, Encode(), rename);
    }
    entries_.clear();
    path_.clear();
    open_ = false;
    created_ = false;
    modified_ = false;
    currentGroup_ = NoGroup;
    pendingGroup_.clear();
}

bool SettingsFile::RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return RenameFile(from, to);
}

void SettingsFile::Decode(std::string_view text) {
    // Any run of CR and LF ends one line.
    std::size_t start = text.find_first_not_of(LineEnd);
    while (start != std::string_view::npos) {
        const std::size_t end = text.find_first_of(LineEnd, start);
        AddLine(text.substr(start, end == std::string_view::npos ? end : end - start));
        start = end == std::string_view::npos ? end : text.find_first_not_of(LineEnd, end);
    }
}

void SettingsFile::AddLine(std::string_view line) {
    line = TrimLeft(line);
    if (line.empty()) {
        return;  // a line of blanks is an empty line
    }
    if (line.front() == ';') {
        line.remove_prefix(1);
        if (!line.empty() && Blanks.find(line.front()) != std::string_view::npos) {
            line.remove_prefix(1);
        }
        entries_.push_back({EntryKind::Comment, std::string(line), {}});
    } else if (line.front() == '[') {
        const std::string_view name = line.substr(1, line.find(']') - 1);
        entries_.push_back({EntryKind::Group, std::string(name), {}});
    } else {
        const std::size_t equals = line.find('=');
        const std::string_view key = TrimRight(line.substr(0, equals));
        const std::string_view value = equals == std::string_view::npos
                                           ? std::string_view()
                                           : TrimLeft(line.substr(equals + 1));
        entries_.push_back({EntryKind::Key, std::string(key), std::string(value)});
    }
}

// Index of the first group header after `group` (of the first header for NoGroup), or the end.
std::size_t SettingsFile::GroupEnd(std::size_t group) const {
    const std::size_t first = group == NoGroup ? 0 : group + 1;
    const auto next =
        std::find_if(entries_.begin() + static_cast<std::ptrdiff_t>(first), entries_.end(),
                     [](const Entry& entry) { return entry.Kind == EntryKind::Group; });
    return static_cast<std::size_t>(next - entries_.begin());
}

std::optional<std::size_t> SettingsFile::FindKey(std::string_view key) const {
    if (!pendingGroup_.empty()) {
        return std::nullopt;
    }
    const std::size_t first = currentGroup_ == NoGroup ? 0 : currentGroup_ + 1;
    const std::size_t end = GroupEnd(currentGroup_);
    for (std::size_t i = first; i < end; ++i) {
        if (entries_[i].Kind == EntryKind::Key && EqualsIgnoringAsciiCase(entries_[i].Name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

const std::string* SettingsFile::FindValue(std::string_view key) const {
    const std::optional<std::size_t> index = FindKey(key);
    return index ? &entries_[*index].Value : nullptr;
}

void SettingsFile::WriteValue(std::string_view key, std::string value) {
    modified_ = true;
    if (!pendingGroup_.empty()) {
        entries_.push_back({EntryKind::Group, std::move(pendingGroup_), {}});
        pendingGroup_.clear();
        currentGroup_ = entries_.size() - 1;
    }
    if (const std::optional<std::size_t> index = FindKey(key)) {
        entries_[*index].Name = OneLine(key);
        entries_[*index].Value = std::move(value);
        return;
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(GroupEnd(currentGroup_)),
                    {EntryKind::Key, OneLine(key), std::move(value)});
}

std::string SettingsFile::Encode() const {
    if (!modified_) {
        return {};
    }
    // Always UTF-8 with a byte order mark: without one the next read would take the text as
    // Latin-1. A new file starts with an empty line.
    std::string text(ByteOrderMark);
    if (created_) {
        text += LineEnd;
    }
    bool firstGroup = true;
    for (const Entry& entry : entries_) {
        switch (entry.Kind) {
            case EntryKind::Group:
                if (!firstGroup) {
                    text += LineEnd;
                }
                firstGroup = false;
                text += "[" + entry.Name + "]";
                break;
            case EntryKind::Comment:
                text += "; " + entry.Name;
                break;
            case EntryKind::Key:
                text += entry.Name + " = " + entry.Value;
                break;
        }
        text += LineEnd;
    }
    return text;
}

}  // namespace tonquelle
