#pragma once
// Fakes for the dialog logic's ports: a cell list that behaves like the control
// (rows, per-cell state, a user's pick), a window that records what was done to
// it, a camera channel with a small firmware, and a profile source that serves
// ".\X" from a temporary folder.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CellList.h"
#include "app/DialogWindow.h"
#include "config/PortableProfileSource.h"
#include "device/Commands.h"
#include "device/DeviceChannel.h"

namespace tessmo::testing {

struct FakeCell {
    std::u16string text;
    ColorRef textColor = 0x00000000;
    ColorRef backgroundColor = 0x00FFFFFF;
    bool modified = false;
};

struct FakeRow {
    FakeCell cells[2];
    bool enabled = true;
    bool hasCombo = false;
    const std::vector<std::u16string>* options = nullptr;
    int count = 0;
    int initial = 0;
};

class FakeCellList final : public CellList {
public:
    std::vector<std::u16string> columnTitles;
    std::vector<int> columnWidths;
    std::vector<int> columnFormats;
    std::vector<FakeRow> rows;
    std::uint32_t extendedStyle = 0x0100;  // some bit of the control's own
    int windowWidth = 400;
    int selected = -1;
    int lockDepth = 0;
    int maxLockDepth = 0;
    int locks = 0;
    FontHandle font = nullptr;

    void SetFont(FontHandle f) override { font = f; }
    std::uint32_t GetExtendedStyle() override { return extendedStyle; }
    void SetExtendedStyle(std::uint32_t style) override { extendedStyle = style; }
    void LockUpdate() override {
        ++locks;
        ++lockDepth;
        if (lockDepth > maxLockDepth) maxLockDepth = lockDepth;
    }
    void UnlockUpdate() override { --lockDepth; }
    int GetColumnCount() override { return static_cast<int>(columnTitles.size()); }
    void DeleteColumn(int column) override {
        columnTitles.erase(columnTitles.begin() + column);
        columnWidths.erase(columnWidths.begin() + column);
        columnFormats.erase(columnFormats.begin() + column);
    }
    int GetWindowWidth() override { return windowWidth; }
    void InsertColumn(int column, int format, int width, const std::u16string& text, int) override {
        columnTitles.insert(columnTitles.begin() + column, text);
        columnWidths.insert(columnWidths.begin() + column, width);
        columnFormats.insert(columnFormats.begin() + column, format);
    }
    int GetItemCount() override { return static_cast<int>(rows.size()); }
    void DeleteAllItems() override {
        rows.clear();
        selected = -1;
    }
    void InsertItem(int row, const std::u16string& text) override {
        FakeRow r;
        r.cells[0].text = text;
        rows.insert(rows.begin() + row, r);
    }
    void SetEnabled(int row, bool enable) override { rows.at(static_cast<std::size_t>(row)).enabled = enable; }
    int GetCurSel() override { return selected; }
    void SetComboBox(int row, int, bool enable, const std::vector<std::u16string>* options, int count,
                     int initial, bool) override {
        FakeRow& r = rows.at(static_cast<std::size_t>(row));
        r.hasCombo = enable;
        r.options = options;
        r.count = count;
        r.initial = initial;
    }
    std::u16string GetItemText(int row, int subItem) override { return Cell(row, subItem).text; }
    void GetItemColors(int row, int subItem, ColorRef& text, ColorRef& background) override {
        text = Cell(row, subItem).textColor;
        background = Cell(row, subItem).backgroundColor;
    }
    int GetModified(int row, int subItem) override { return Cell(row, subItem).modified ? 1 : 0; }
    void SetItemText(int row, int subItem, const std::u16string& text) override {
        Cell(row, subItem).text = text;
    }
    void SetItemText(int row, int subItem, const std::u16string& text, ColorRef textColor,
                     ColorRef backgroundColor) override {
        FakeCell& cell = Cell(row, subItem);
        cell.text = text;
        cell.textColor = textColor;
        cell.backgroundColor = backgroundColor;
    }

    // What the real control does when the user picks entry `index` of the open
    // drop-down: the text goes into the cell and the cell counts as modified when
    // its text changed. Returns false when the row offers no pick.
    bool UserPicks(int row, int index) {
        FakeRow& r = rows.at(static_cast<std::size_t>(row));
        if (!r.enabled || !r.hasCombo || r.options == nullptr || index < 0 || index >= r.count) return false;
        const std::u16string& text = (*r.options)[static_cast<std::size_t>(index)];
        if (r.cells[1].text != text) r.cells[1].modified = true;
        r.cells[1].text = text;
        return true;
    }

    FakeCell& Cell(int row, int subItem) {
        return rows.at(static_cast<std::size_t>(row)).cells[subItem == 0 ? 0 : 1];
    }
};

class FakeDialogWindow final : public DialogWindow {
public:
    std::vector<std::string> calls;  // in order, e.g. "SetTitle", "Shift Sync 90"
    std::u16string title = u"(untouched)";
    std::vector<std::u16string> messages;
    std::vector<FontRequest> fontRequests;
    bool syncEnabled = true;
    bool customTextHidden = false;
    std::u16string customText;
    LocalTime now{2026, 12, 6, 14, 5, 9};
    std::intptr_t defaultResult = 0x5A;
    int defaultCalls = 0;
    std::vector<Guid> registrations;

    void SetIcons() override { calls.push_back("SetIcons"); }
    void SetTitle(const std::u16string& t) override {
        calls.push_back("SetTitle");
        title = t;
    }
    FontHandle CreateListFont(const FontRequest& request) override {
        calls.push_back("CreateListFont");
        fontRequests.push_back(request);
        return &listFontToken_;
    }
    FontHandle CreateCustomFont(const FontRequest& request) override {
        calls.push_back("CreateCustomFont");
        fontRequests.push_back(request);
        return &customFontToken_;
    }
    void SetButtonFont(DialogButton button, FontHandle) override {
        calls.push_back(button == DialogButton::Sync ? "FontSync" : "FontExit");
    }
    void SetCustomText(const std::u16string& text) override {
        calls.push_back("SetCustomText");
        customText = text;
    }
    void SetCustomTextFont(FontHandle) override { calls.push_back("SetCustomTextFont"); }
    void HideCustomText() override {
        calls.push_back("HideCustomText");
        customTextHidden = true;
    }
    void ShiftButtonLeft(DialogButton button, int pixels) override {
        calls.push_back(std::string(button == DialogButton::Sync ? "ShiftSync " : "ShiftExit ") +
                        std::to_string(pixels));
    }
    void EnableSyncButton(bool enable) override {
        calls.push_back(enable ? "EnableSync" : "DisableSync");
        syncEnabled = enable;
    }
    void ShowMessage(const std::u16string& text) override {
        calls.push_back("ShowMessage");
        messages.push_back(text);
    }
    LocalTime GetLocalTime() override { return now; }
    void RegisterDeviceInterfaceNotification(const Guid& interfaceClass) override {
        calls.push_back("Register");
        registrations.push_back(interfaceClass);
    }
    std::intptr_t DefaultProcessing() override {
        ++defaultCalls;
        return defaultResult;
    }
    [[noreturn]] void ExitProcess(int status) override { throw ExitRequested{status}; }

    struct ExitRequested {
        int status;
    };

    const void* ListFont() const { return &listFontToken_; }

private:
    int listFontToken_ = 0;
    int customFontToken_ = 0;
};

// A camera behind the channel contract: one option byte per ParaIdx, the read-select,
// writes and the clock. Records every request as "SET 26 07 00 00 00 00"-style lines.
class FakeCamera {
public:
    bool present = true;
    std::map<std::uint16_t, std::uint8_t> values;
    std::vector<std::string> requests;

    std::vector<std::string> Writes(std::uint32_t id) const {
        std::vector<std::string> out;
        const std::string prefix = "SET " + std::to_string(id) + " ";
        for (const auto& r : requests)
            if (r.rfind(prefix, 0) == 0) out.push_back(r.substr(prefix.size()));
        return out;
    }

    Status Set(std::uint32_t id, const std::uint8_t* data, std::uint32_t length) {
        if (!present) return STATUS_NOT_FOUND;
        requests.push_back("SET " + std::to_string(id) + " " + Hex(data, length));
        if (length >= 5) {
            const auto para = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
            if (id == 26u) selected_ = para;
            if (id == CMD_WRITE_VALUE) values[para] = data[4];
        }
        return STATUS_OK;
    }
    Status Get(std::uint32_t id, std::uint8_t* data, std::uint32_t length) {
        if (!present) return STATUS_NOT_FOUND;
        requests.push_back("GET " + std::to_string(id));
        if (id == CMD_READ_VALUE && length >= 1) data[0] = values[selected_];
        return STATUS_OK;
    }

    static std::string Hex(const std::uint8_t* data, std::uint32_t length) {
        std::string out;
        char b[4];
        for (std::uint32_t i = 0; i < length; ++i) {
            std::snprintf(b, sizeof b, i ? " %02X" : "%02X", data[i]);
            out += b;
        }
        return out;
    }

private:
    std::uint16_t selected_ = 0;
};

class FakeCameraChannel final : public DeviceChannel {
public:
    explicit FakeCameraChannel(FakeCamera& camera) : camera_(camera) {}
    Status SetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        return camera_.Set(id, data, length);
    }
    Status GetProperty(std::uint32_t id, std::uint8_t* data, std::uint32_t length) override {
        return camera_.Get(id, data, length);
    }
    int IsPresent() override { return camera_.present ? 0 : -1; }

private:
    FakeCamera& camera_;
};

class FakeCameraFactory final : public ChannelFactory {
public:
    explicit FakeCameraFactory(FakeCamera& camera) : camera_(camera) {}
    std::unique_ptr<DeviceChannel> CreateChannel() override {
        return std::make_unique<FakeCameraChannel>(camera_);
    }

private:
    FakeCamera& camera_;
};

// Serves the program's relative paths (".\Vorlund.ini") from a folder of the test's.
class FolderProfileSource final : public ProfileSource {
public:
    explicit FolderProfileSource(std::filesystem::path folder) : folder_(std::move(folder)) {}

    void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary | std::ios::trunc) << bytes;
    }
    void RemoveFile(const std::string& name) { std::filesystem::remove(folder_ / name); }

    std::optional<std::uint32_t> FileLength(const std::u16string& path) override {
        return inner_.FileLength(Map(path));
    }
    std::uint32_t GetSectionNames(char16_t* buffer, std::uint32_t capacity, const std::u16string& path) override {
        return inner_.GetSectionNames(buffer, capacity, Map(path));
    }
    std::uint32_t GetSection(const std::u16string& section, char16_t* buffer, std::uint32_t capacity,
                             const std::u16string& path) override {
        return inner_.GetSection(section, buffer, capacity, Map(path));
    }
    std::uint32_t GetString(const std::u16string& section, const std::u16string& key,
                            const std::u16string& defaultValue, char16_t* buffer, std::uint32_t capacity,
                            const std::u16string& path) override {
        return inner_.GetString(section, key, defaultValue, buffer, capacity, Map(path));
    }
    std::uint32_t GetInt(const std::u16string& section, const std::u16string& key, std::int32_t defaultValue,
                         const std::u16string& path) override {
        return inner_.GetInt(section, key, defaultValue, Map(path));
    }

private:
    std::u16string Map(const std::u16string& path) const {
        std::u16string name = path;
        if (name.rfind(u".\\", 0) == 0) name = name.substr(2);
        std::u16string folder;
        for (char c : folder_.string()) folder.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
        return folder + u"/" + name;
    }

    std::filesystem::path folder_;
    PortableProfileSource inner_;
};

}  // namespace tessmo::testing
