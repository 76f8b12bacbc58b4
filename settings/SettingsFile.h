#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonquelle {

// An INI-style text store of named groups of key/value pairs, read whole when opened and written
// whole when closed. Group and key names match without regard to the case of ASCII letters.
// Numbers are written and read with a point as decimal separator, whatever the process locale.
// Main thread only.
class SettingsFile {
  public:
    SettingsFile() = default;
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;
    // Closes, with the write-back of Close.
    virtual ~SettingsFile();

    // Closes what was open, then reads the file. False when it cannot be read; the store is
    // still open and every read returns its default.
    bool OpenForReading(const std::filesystem::path& path);
    // Closes what was open, then starts a new, empty text for the file. False when no file can
    // be written there. The file on disk is replaced only by Close.
    bool CreateForWriting(const std::filesystem::path& path);
    // An empty name selects the keys before the first group. False when no such group exists;
    // it is then created by the first write into it.
    bool SelectGroup(std::string_view name);

    // Reads of the current group: the default when the key is missing; a value that does not
    // start with a number reads as 0.
    std::int32_t ReadInteger(std::string_view key, std::int32_t def);
    double ReadDouble(std::string_view key, double def);
    std::string ReadString(std::string_view key, std::string_view def);

    void WriteInteger(std::string_view key, std::int32_t value);
    void WriteDouble(std::string_view key, double value);
    void WriteString(std::string_view key, std::string_view value);

    // Writes the text back when anything was written since the store was opened, then forgets
    // it. The file is replaced whole or not at all.
    void Close();
    // True when the last Close had something to write and could not replace the file.
    bool WriteBackFailed() const { return writeBackFailed_; }

  protected:
    // The last step of the write-back: moves the finished temporary file over the settings
    // file. Tests override it to fail there.
    virtual bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

  private:
    enum class EntryKind { Group, Comment, Key };
    struct Entry {
        EntryKind Kind;
        std::string Name;   // group name, comment text or key name
        std::string Value;  // a key's value as it stands in the file
    };
    static constexpr std::size_t NoGroup = static_cast<std::size_t>(-1);

    void Decode(std::string_view text);
    void AddLine(std::string_view line);
    std::size_t GroupEnd(std::size_t group) const;
    std::optional<std::size_t> FindKey(std::string_view key) const;
    const std::string* FindValue(std::string_view key) const;
    void WriteValue(std::string_view key, std::string value);
    std::string Encode() const;

    std::vector<Entry> entries_;
    std::filesystem::path path_;
    bool open_ = false;      // a file is attached: read successfully or created
    bool created_ = false;   // by CreateForWriting: the text starts with a byte order mark
    bool modified_ = false;  // a value was written since opening
    bool writeBackFailed_ = false;
    std::size_t currentGroup_ = NoGroup;  // index of the group header, or NoGroup
    std::string pendingGroup_;            // selected but not yet existing; empty when none
};

}  // namespace tonquelle
