#include "platform/controls/SgVectorFieldModel.h"

#include <cstring>

#include "platform/SgDiagnostics.h"

namespace {

// The strip's geometry in pixels.
constexpr int kFirstX = 100;
constexpr int kPixelsPerNameCharacter = 12;
constexpr int kEditWidth = 90;
constexpr int kEditHeight = 22;
constexpr int kSpinWidth = 10;
constexpr int kRowGap = 10;
constexpr int kShownRows = 3;

} // namespace

SgVectorFieldModel::SgVectorFieldModel(int count, const char *const *names)
    : m_rows(count > 0 ? count : 0)
{
    for (int i = 0; i < GetRowCount(); ++i) {
        Row &row = m_rows[i];
        row.name = names && names[i] ? names[i] : "";
        row.spin.SetRangeAndDelta(-1000.0, 1000.0, 0.1);
        row.spin.SetFormatString("%.3f");
        if (i == kAngleRow)
            row.spin.SetUnitFactor(kDegreesPerRadian);
        row.spin.SetPos(0.0);
        row.shown = i < kShownRows;
    }
    Layout();
}

void SgVectorFieldModel::Layout()
{
    // Each label takes room for its name; the rows after it move along.
    int x = kFirstX;
    int previousEnd = 0;
    for (Row &row : m_rows) {
        x += kPixelsPerNameCharacter * static_cast<int>(row.name.size());
        row.label = {previousEnd, 0, x, kEditHeight};
        row.edit = {x + 2, 0, x + 2 + kEditWidth, kEditHeight};
        row.spinBox = {row.edit.right, 0, row.edit.right + kSpinWidth, kEditHeight};
        previousEnd = row.edit.right;
        x = row.edit.right + kRowGap;
    }
}

SgVectorFieldModel::Row *SgVectorFieldModel::GetRow(int index)
{
    return index >= 0 && index < GetRowCount() ? &m_rows[index] : nullptr;
}

SgNumSpinModel *SgVectorFieldModel::GetNumSpin(int index)
{
    Row *row = GetRow(index);
    return row ? &row->spin : nullptr;
}

void SgVectorFieldModel::SetVector(const double *values, int count, int first)
{
    if (first < 0 || count < 0 || (count > 0 && !values)) {
        SgDiagWarning("Controls", "a vector of %d values from row %d is refused", count, first);
        return;
    }
    if (first + count > GetRowCount())
        SgDiagWarning("Controls", "%d values from row %d do not fit %d rows; the rest is left out", count, first,
                      GetRowCount());
    for (int i = first; i < GetRowCount(); ++i) {
        Row &row = m_rows[i];
        row.shown = i < first + count;
        if (row.shown)
            row.spin.SetPos(values[i - first]);
    }
}

int SgVectorFieldModel::GetVector(double *values) const
{
    if (values)
        for (int i = 0; i < GetRowCount(); ++i)
            values[i] = m_rows[i].spin.GetPos();
    return GetRowCount();
}

void SgVectorFieldModel::SetParamName(int index, const char *name)
{
    Row *row = GetRow(index);
    if (!row || row->name == (name ? name : ""))
        return;
    row->name = name ? name : "";
    Layout();
}

void SgVectorFieldModel::SetCurrentField(void *field, int slot)
{
    if (slot >= 0 && slot < kFieldSlots)
        m_fields[slot] = field;
}

void *SgVectorFieldModel::GetCurrentField(int slot) const
{
    return slot >= 0 && slot < kFieldSlots ? m_fields[slot] : nullptr;
}
