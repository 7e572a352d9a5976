#pragma once
// Fakes for the dialog logic's ports: a cell list that behaves like the control
// (rows, per-cell state, a user's pick) and a window that records what was done to it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/CellList.h"
#include "app/DialogWindow.h"
#include "common/Text.h"

namespace tessmo::testing {

struct FakeCell {
    std::u16string text;
    ColorRef textColor = 0;
    ColorRef backgroundColor = 0x00FFFFFF;
    bool modified = false;
};

struct FakeRow {
    FakeCell cells[2];
    bool enabled = true;
    std::vector<std::u16string> options;  // set by SetComboBox
    int count = 0;
    int initial = 0;
};

class FakeCellList final : public CellList {
public:
    std::vector<std::string> columns;  // "title width format"
    std::vector<FakeRow> rows;
    std::uint32_t extendedStyle = 0x0100;  // a bit of the control's own
    int windowWidth = 400;
    int selected = -1;
    int lockDepth = 0;
    FontHandle font = nullptr;

    void SetFont(FontHandle f) override { font = f; }
    std::uint32_t GetExtendedStyle() override { return extendedStyle; }
    void SetExtendedStyle(std::uint32_t style) override { extendedStyle = style; }
    void LockUpdate() override { ++lockDepth; }
    void UnlockUpdate() override { --lockDepth; }
    int GetColumnCount() override { return static_cast<int>(columns.size()); }
    void DeleteColumn(int c) override { columns.erase(columns.begin() + c); }
    int GetWindowWidth() override { return windowWidth; }
    void InsertColumn(int c, int format, int width, const std::u16string& text, int) override {
        columns.insert(columns.begin() + c,
                       ToUtf8(text) + " " + std::to_string(width) + " " + std::to_string(format));
    }
    int GetItemCount() override { return static_cast<int>(rows.size()); }
    void DeleteAllItems() override { rows.clear(), selected = -1; }
    void InsertItem(int row, const std::u16string& text) override {
        FakeRow r;
        r.cells[0].text = text;
        rows.insert(rows.begin() + row, r);
    }
    void SetEnabled(int row, bool enable) override { Row(row).enabled = enable; }
    int GetCurSel() override { return selected; }
    void SetComboBox(int row, int, bool, std::vector<std::u16string> options, int count, int initial,
                     bool) override {
        Row(row).options = std::move(options), Row(row).count = count, Row(row).initial = initial;
    }
    std::u16string GetItemText(int row, int sub) override { return Cell(row, sub).text; }
    void GetItemColors(int row, int sub, ColorRef& text, ColorRef& background) override {
        text = Cell(row, sub).textColor, background = Cell(row, sub).backgroundColor;
    }
    int GetModified(int row, int sub) override { return Cell(row, sub).modified ? 1 : 0; }
    void SetItemText(int row, int sub, const std::u16string& text) override { Cell(row, sub).text = text; }
    void SetItemText(int row, int sub, const std::u16string& text, ColorRef textColor,
                     ColorRef back) override {
        Cell(row, sub) = {text, textColor, back, Cell(row, sub).modified};
    }

    // What the real control does when the user picks entry `index` of the open
    // drop-down: the text goes into the cell, which counts as modified when its text
    // changed. False when the row offers no such pick.
    bool UserPicks(int row, int index) {
        FakeRow& r = Row(row);
        if (!r.enabled || index < 0 || index >= r.count) return false;
        const std::u16string text = r.options.at(static_cast<std::size_t>(index));
        r.cells[1].modified = r.cells[1].modified || r.cells[1].text != text;
        r.cells[1].text = text;
        return true;
    }
    FakeRow& Row(int row) { return rows.at(static_cast<std::size_t>(row)); }
    FakeCell& Cell(int row, int sub) { return Row(row).cells[sub == 0 ? 0 : 1]; }
};

class FakeDialogWindow final : public DialogWindow {
public:
    struct ExitRequested {
        int status;
    };

    // In order, e.g. "SetTitle Cam", "ShiftSync 90", "CreateListFont Arial/16/400" (face/height/weight).
    std::vector<std::string> calls;
    std::vector<std::u16string> messages;
    std::vector<Guid> registrations;
    bool syncEnabled = true;

    void SetIcons() override { calls.push_back("SetIcons"); }
    void SetTitle(const std::u16string& t) override { calls.push_back("SetTitle " + ToUtf8(t)); }
    FontHandle CreateListFont(const FontRequest& r) override { return Font("CreateListFont ", r, listFont_); }
    FontHandle CreateCustomFont(const FontRequest& r) override {
        return Font("CreateCustomFont ", r, customFont_);
    }
    void SetButtonFont(DialogButton b, FontHandle) override {
        calls.push_back(b == DialogButton::Sync ? "FontSync" : "FontExit");
    }
    void SetCustomText(const std::u16string&) override { calls.push_back("SetCustomText"); }
    void SetCustomTextFont(FontHandle) override { calls.push_back("SetCustomTextFont"); }
    void HideCustomText() override { calls.push_back("HideCustomText"); }
    void ShiftButtonLeft(DialogButton b, int pixels) override {
        calls.push_back((b == DialogButton::Sync ? "ShiftSync " : "ShiftExit ") + std::to_string(pixels));
    }
    void EnableSyncButton(bool enable) override {
        calls.push_back(enable ? "EnableSync" : "DisableSync"), syncEnabled = enable;
    }
    void ShowMessage(const std::u16string& text) override { messages.push_back(text); }
    LocalTime GetLocalTime() override { return {2026, 12, 6, 14, 5, 9}; }
    void RegisterDeviceInterfaceNotification(const Guid& g) override {
        calls.push_back("Register"), registrations.push_back(g);
    }
    [[noreturn]] void ExitProcess(int status) override { throw ExitRequested{status}; }

    FontHandle ListFont() const { return &listFont_; }

private:
    FontHandle Font(const std::string& call, const FontRequest& r, const int& token) {
        calls.push_back(call + ToUtf8(r.face) + "/" + std::to_string(r.height) + "/" +
                        std::to_string(r.weight));
        return &token;
    }
    int listFont_ = 0, customFont_ = 0;
};

}  // namespace tessmo::testing
