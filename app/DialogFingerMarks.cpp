#include "DialogFingerMarks.h"

#include "FingerPositions.h"
#include "ui_DialogFingerMarks.h"

#include <QComboBox>
#include <QLabel>

namespace {
// The item data of a choice: no mark, or the mark's enum value.
constexpr int kPresent = -1;
} // namespace

DialogFingerMarks::DialogFingerMarks(QWidget* parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FingerMarksDialog>())
{
    ui->setupUi(this);
    for (int position = kFirstFingerPosition; position <= kLastFingerPosition; ++position) {
        auto* name = new QLabel(QStringLiteral("%1  %2").arg(position).arg(FingerPositionName(position)), this);
        auto* choice = new QComboBox(this);
        choice->setObjectName(QStringLiteral("combo_Finger%1").arg(position));
        choice->addItem(QStringLiteral("present"), kPresent);
        choice->addItem(QStringLiteral("XX amputated"), static_cast<int>(FingerMark::Amputated));
        choice->addItem(QStringLiteral("UP unable to print"), static_cast<int>(FingerMark::UnableToPrint));
        name->setBuddy(choice);
        ui->gridLayout_Fingers->addWidget(name, position - 1, 0);
        ui->gridLayout_Fingers->addWidget(choice, position - 1, 1);
        choices[static_cast<std::size_t>(position - 1)] = choice;
    }
    connect(ui->btn_ClearMarks, &QPushButton::clicked, this, [this] { SetMarks({}); });
}

DialogFingerMarks::~DialogFingerMarks() = default;

void DialogFingerMarks::SetMarks(const FingerMarks& marks)
{
    for (int position = kFirstFingerPosition; position <= kLastFingerPosition; ++position) {
        const auto mark = marks.find(position);
        QComboBox* choice = choices[static_cast<std::size_t>(position - 1)];
        choice->setCurrentIndex(choice->findData(mark == marks.end() ? kPresent : static_cast<int>(mark->second)));
    }
}

FingerMarks DialogFingerMarks::Marks() const
{
    FingerMarks marks;
    for (int position = kFirstFingerPosition; position <= kLastFingerPosition; ++position) {
        const int data = choices[static_cast<std::size_t>(position - 1)]->currentData().toInt();
        if (data != kPresent) {
            marks.emplace(position, static_cast<FingerMark>(data));
        }
    }
    return marks;
}
