#pragma once
// What the vector editor knows, without the toolkit: one horizontal strip of
// labelled spin-and-edit rows, each a SgNumSpinModel, and where each row's
// label, edit and spin go. Rows 0 to 2 show a vector's components; row 3
// shows an angle in degrees while the value stays in radians.
//
//   const char *names[] = {"X", "Y", "Z", "Angle"};
//   SgVectorFieldModel panel(4, names);
//   const double axisAngle[] = {0, 0, 1, M_PI / 2};
//   panel.SetVector(axisAngle, 4, 0);      // row 3 shows "90.000"
//
// The toolkit view (platform/wx/VectorFieldUI) makes one label, edit and spin
// per row at the rectangles given here.
#include <string>
#include <vector>

#include "platform/controls/SgNumSpinModel.h"
#include "platform/PlatformExport.h"

class PLATFORM_API SgVectorFieldModel {
public:
    // Client rectangle of a row's part: left, top, right, bottom.
    struct Box {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };
    struct Row {
        std::string name;
        SgNumSpinModel spin;
        Box label;
        Box edit;
        Box spinBox;
        bool shown = false;
    };

    // The row that shows an angle in degrees, and its factor.
    static constexpr int kAngleRow = 3;
    static constexpr double kDegreesPerRadian = 57.29577951308232;

    // `count` rows named by `names` (a missing name is empty).
    SgVectorFieldModel(int count, const char *const *names);
    SgVectorFieldModel(const SgVectorFieldModel &) = delete;
    SgVectorFieldModel &operator=(const SgVectorFieldModel &) = delete;

    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    // Null outside 0 .. row count - 1.
    Row *GetRow(int index);
    SgNumSpinModel *GetNumSpin(int index);

    // Shows rows first .. first + count - 1 with the given values and hides
    // every row after them; rows beyond the panel are left out.
    void SetVector(const double *values, int count, int first);
    // Every row's value into `values` (room for the row count); returns the
    // row count.
    int GetVector(double *values) const;
    // Renames a row's label (null: empty); the labels' room follows the names.
    void SetParamName(int index, const char *name);

    // What is being edited: up to four fields of the owner's, opaque here.
    static constexpr int kFieldSlots = 4;
    void SetCurrentField(void *field, int slot);
    void *GetCurrentField(int slot) const;

private:
    void Layout();

    std::vector<Row> m_rows;
    void *m_fields[kFieldSlots] = {};
};
