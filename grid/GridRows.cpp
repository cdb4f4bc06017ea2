#include "grid/PelkGridClass.h"
#include "platform/text/Text.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <limits>

namespace grid {

namespace {
// The lengths stand at the allocation's start in the machine's own order: they never leave the
// process.
using Length = std::uint16_t;
constexpr std::size_t kHeaderBytes = sizeof(Length) * kColumnCount;
constexpr std::size_t kMostField = std::numeric_limits<Length>::max();

std::array<Length, kColumnCount> Lengths(const char* texts) {
    std::array<Length, kColumnCount> lengths;
    std::memcpy(lengths.data(), texts, kHeaderBytes);
    return lengths;
}

// One allocation holding the fields as RowRecord keeps them; none when all are empty.
std::unique_ptr<char[]> Pack(const std::array<std::string_view, kColumnCount>& fields) {
    std::array<Length, kColumnCount> lengths;
    std::size_t size = kHeaderBytes;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        lengths[i] = static_cast<Length>(std::min(fields[i].size(), kMostField));
        size += lengths[i];
    }
    if (size == kHeaderBytes)
        return nullptr;
    std::unique_ptr<char[]> texts(new char[size]);
    std::memcpy(texts.get(), lengths.data(), kHeaderBytes);
    char* at = texts.get() + kHeaderBytes;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (lengths[i] > 0) // an empty field may have no characters to point at
            std::memcpy(at, fields[i].data(), lengths[i]);
        at += lengths[i];
    }
    return texts;
}

// The place of a column among the fields, from 0; a number outside the columns is the last's.
std::int32_t IndexOf(std::int32_t column) {
    return column >= ColMark && column <= ColType ? column - ColMark : ColType - ColMark;
}
} // namespace

std::size_t RowRecord::Size() const {
    if (!texts_)
        return 0;
    std::size_t size = kHeaderBytes;
    for (Length length : Lengths(texts_.get()))
        size += length;
    return size;
}

RowRecord::RowRecord(const RowRecord& other)
    : Y1(other.Y1), Y2(other.Y2), INCOMPLETESHOW(other.INCOMPLETESHOW) {
    if (const std::size_t size = other.Size()) {
        texts_.reset(new char[size]);
        std::memcpy(texts_.get(), other.texts_.get(), size);
    }
}

RowRecord& RowRecord::operator=(const RowRecord& other) {
    if (this != &other)
        *this = RowRecord(other);
    return *this;
}

std::string_view RowRecord::Field(std::int32_t column) const {
    if (!texts_)
        return {};
    const std::size_t index = static_cast<std::size_t>(IndexOf(column));
    const std::array<Length, kColumnCount> lengths = Lengths(texts_.get());
    std::size_t offset = kHeaderBytes;
    for (std::size_t i = 0; i < index; ++i)
        offset += lengths[i];
    return {texts_.get() + offset, lengths[index]};
}

void RowRecord::SetField(std::int32_t column, std::string_view value) {
    std::array<std::string_view, kColumnCount> fields;
    for (std::int32_t i = 0; i < kColumnCount; ++i)
        fields[static_cast<std::size_t>(i)] = Field(ColMark + i);
    fields[static_cast<std::size_t>(IndexOf(column))] = value;
    // The new fields are made before the old go: the value may be one of them.
    std::unique_ptr<char[]> texts = Pack(fields);
    texts_ = std::move(texts);
}

void RowRecord::SetFields(std::string_view mark, std::string_view number,
                          std::string_view description, std::string_view unit,
                          std::string_view type) {
    std::unique_ptr<char[]> texts = Pack({mark, number, description, unit, type});
    texts_ = std::move(texts);
}

void PelkGridClass::AddRow(std::string mark, std::string number, std::string description,
                           std::string unit, std::string type) {
    auto cut = [](const std::string& value, std::size_t width) {
        return std::string_view(value).substr(0, width);
    };
    RowRecord row;
    row.SetFields(cut(mark, kCellWidth), cut(number, kCellWidth), cut(description, kDescWidth),
                  cut(unit, kCellWidth), cut(type, kCellWidth));
    QDATA->push_back(std::move(row));
    Announce(platform::TableChange::Rows);
}

std::int32_t PelkGridClass::Records() const {
    return static_cast<std::int32_t>(QDATA->size());
}

std::int32_t PelkGridClass::GetCheckValue(std::int32_t row) const {
    if (row < 1 || row > Records())
        return 0;
    return platform::ToLong((*QDATA)[static_cast<std::size_t>(row - 1)].Field(ColMark));
}

std::string PelkGridClass::GetCellValue(std::int32_t row, std::int32_t column) const {
    if (row < 1 || row > Records())
        return std::string();
    if (column < ColMark || column > ColType) {
        platform::Message("Wrong column index: " + platform::DecimalText(column), "",
                          platform::ICON_Hand, platform::BUTTON_OK);
        return std::string();
    }
    return std::string((*QDATA)[static_cast<std::size_t>(row - 1)].Field(column));
}

void PelkGridClass::FreeRows() {
    QDATA->clear();
    Announce(platform::TableChange::Rows);
    if (REDRAW == 1)
        Draw();
}

void PelkGridClass::SetRedraw(std::uint8_t on) {
    REDRAW = on;
}

void PelkGridClass::SetUppercase(std::uint8_t) {
    // The owner's Uppercase setting reaches the grid, but nothing the grid shows or edits
    // depends on it.
}

void PelkGridClass::AddUnit(const std::string& text) {
    QUNIT->Insert(text);
}

void PelkGridClass::FreeUnits() {
    QUNIT->items.clear();
}

void PelkGridClass::AddType(const std::string& text) {
    QTYPE->Insert(text);
}

void PelkGridClass::FreeTypes() {
    QTYPE->items.clear();
}

void PelkGridClass::Resize() {
    CalcLayout();
    if (REDRAW == 1)
        Draw();
}

void PelkGridClass::SetDescCapacity(std::int32_t capacity) {
    DESCCAPACITY = std::clamp(capacity, 0, static_cast<std::int32_t>(kDescWidth));
}

void PelkGridClass::RowCommand(std::uint8_t command) {
    if (EIPON == 1)
        AcceptEdit();
    switch (command) {
    case RowInsert: {
        std::int32_t at = CURROW > 0 ? CURROW + 1 : 1;
        at = std::min(at, Records() + 1);
        QDATA->insert(QDATA->begin() + (at - 1), RowRecord{});
        Announce(platform::TableChange::Rows);
        Draw();
        SelectCell(at, ColNumber);
        StartEdit();
        break;
    }
    case RowChange:
        // A grid without rows has no cell to change, selected or not.
        if (Records() == 0)
            break;
        if (CURROW != 0 && CURCOL != 0)
            StartEdit();
        else
            platform::Message("Cell not selected!", "", platform::ICON_Asterisk,
                              platform::BUTTON_OK);
        break;
    case RowDelete:
        if (Records() == 0) {
            platform::Message("There is no row to delete!", "", platform::ICON_Asterisk,
                              platform::BUTTON_OK);
            break;
        }
        if (platform::Message("Are you sure you want to delete the selected row?", "",
                              platform::ICON_Question,
                              platform::BUTTON_YES | platform::BUTTON_NO) != platform::BUTTON_YES)
            break;
        if (CURROW < 1 || CURROW > Records())
            break;
        QDATA->erase(QDATA->begin() + (CURROW - 1));
        Announce(platform::TableChange::Rows);
        Draw();
        break;
    default:
        break;
    }
}

// Rows move only with no edit open: an open one is stored into its own row first (a drag can
// begin while an editor is still open).
void PelkGridClass::AcceptOpenEdit() {
    if (EIPON == 1)
        AcceptEdit();
}

namespace {
// Takes row `from` out and puts it back at position `to` of the shortened list.
void Move(std::vector<RowRecord>& rows, std::int32_t from, std::int32_t to) {
    auto first = rows.begin();
    if (from < to)
        std::rotate(first + (from - 1), first + from, first + to);
    else
        std::rotate(first + (to - 1), first + (from - 1), first + from);
}
} // namespace

void PelkGridClass::MoveRowUp(std::int32_t) {
    AcceptOpenEdit();
    if (CURROW > 1 && CURROW <= Records()) {
        Move(*QDATA, CURROW, CURROW - 1);
        Announce(platform::TableChange::Rows);
        Draw();
        SelectPrevRow();
    }
}

void PelkGridClass::MoveRowDown(std::int32_t) {
    AcceptOpenEdit();
    if (CURROW >= 1 && CURROW < Records()) {
        Move(*QDATA, CURROW, CURROW + 1);
        Announce(platform::TableChange::Rows);
        Draw();
        SelectNextRow();
    }
}

void PelkGridClass::MoveRowToTop(std::int32_t) {
    AcceptOpenEdit();
    if (CURROW > 1 && CURROW <= Records()) {
        Move(*QDATA, CURROW, 1);
        Announce(platform::TableChange::Rows);
        CURROW = 1;
        FIRSTPOINTER = 1;
        Draw();
    }
}

void PelkGridClass::MoveRowToBottom(std::int32_t) {
    AcceptOpenEdit();
    if (CURROW >= 1 && CURROW < Records()) {
        Move(*QDATA, CURROW, Records());
        Announce(platform::TableChange::Rows);
        EnsureVisible(Records());
        SelectCell(Records(), -1);
        Draw();
    }
}

void PelkGridClass::MoveRow(std::int32_t from, std::int32_t to) {
    AcceptOpenEdit();
    if (from == 0 || to == 0 || from == to)
        return;
    if (from < 1 || from > Records())
        return;
    // The row goes back at `to` of the shortened list, or at its end when that lies beyond.
    to = std::min(to, Records());
    if (to < 1 || from == to)
        return;
    Move(*QDATA, from, to);
    Announce(platform::TableChange::Rows);
    Draw();
    SelectCell(to, -1);
}

} // namespace grid
