#pragma once

#include "FingerMarks.h"

#include <QDialog>

#include <array>
#include <memory>

class QComboBox;

namespace Ui {
class FingerMarksDialog;
}

// The operator's marks of the fingers a person cannot give: one row per standard finger
// position, each present, amputated (XX) or unable to print (UP).
class DialogFingerMarks : public QDialog {
    Q_OBJECT

public:
    explicit DialogFingerMarks(QWidget* parent = nullptr);
    ~DialogFingerMarks() override;

    // Positions outside 1 to 10 are ignored.
    void SetMarks(const FingerMarks& marks);
    FingerMarks Marks() const;

private:
    std::unique_ptr<Ui::FingerMarksDialog> ui;
    // The choice of position p is choices[p - 1]; its object name is "combo_Finger<p>".
    std::array<QComboBox*, kLastFingerPosition> choices{};
};
