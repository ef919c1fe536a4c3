#include "RunReview.h"

#include "CaptureDecision.h"
#include "CaptureMode.h"
#include "CaptureQuality.h"
#include "StatusTexts.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kFingerLinesShown = 4; // a hand's; the thumbs' tile keeps the same height
constexpr int kBoxPenWidth = 2;
const QColor kViewBackground(32, 32, 32);
const QColor kUnscoredColour(200, 200, 200);
const QColor kLabelBackground(0, 0, 0, 170);

QColor ColourOf(const cv::Scalar& colour)
{
    return QColor(static_cast<int>(colour[0]), static_cast<int>(colour[1]), static_cast<int>(colour[2]));
}

// The overlay's own green and red: a finger at or above the minimum is ready, one below is not.
QColor BoxColourOf(const ReviewFinger& finger, int minimum)
{
    if (!finger.quality) {
        return kUnscoredColour;
    }
    const BoxColours colours;
    return ColourOf(QualityBelowMinimum(*finger.quality, minimum) ? colours.outOfRange : colours.ready);
}

QString ObjectName(const char* prefix, int32_t mode)
{
    return QLatin1String(prefix) + QLatin1String(CaptureModeDirectoryName(mode));
}

} // namespace

// A tile's image made to fit, each finger's box and its label drawn over it.
class ReviewImageView : public QWidget {
public:
    explicit ReviewImageView(QWidget* parent)
        : QWidget(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    }

    void Show(const ReviewTile* tile, int minimumQuality)
    {
        image = QImage();
        fingers.clear();
        storedSize = {};
        if (tile != nullptr && tile->image.type() == CV_8UC3) {
            const cv::Mat& pixels = tile->image;
            image = QImage(pixels.data, pixels.cols, pixels.rows, static_cast<int>(pixels.step), QImage::Format_RGB888)
                        .copy();
            fingers = tile->fingers;
            storedSize = tile->storedSize;
        }
        minimum = minimumQuality;
        update();
    }

    QSize sizeHint() const override { return {320, 256}; }
    QSize minimumSizeHint() const override { return {120, 96}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), kViewBackground);
        if (image.isNull()) {
            painter.setPen(kUnscoredColour);
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("No image stored"));
            return;
        }
        const QSize fitted = image.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
        if (storedSize.width <= 0 || storedSize.height <= 0) {
            return;
        }
        const double scaleX = static_cast<double>(target.width()) / storedSize.width;
        const double scaleY = static_cast<double>(target.height()) / storedSize.height;
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        std::vector<std::pair<QRectF, const ReviewFinger*>> boxes;
        for (const ReviewFinger& finger : fingers) {
            const QRectF box = QRectF(target.x() + finger.box.x * scaleX, target.y() + finger.box.y * scaleY,
                                      finger.box.width * scaleX, finger.box.height * scaleY)
                                   .intersected(QRectF(target));
            if (!finger.box.empty() && !box.isEmpty()) {
                boxes.emplace_back(box, &finger);
            }
        }
        painter.setBrush(Qt::NoBrush);
        for (const auto& [box, finger] : boxes) {
            painter.setPen(QPen(BoxColourOf(*finger, minimum), kBoxPenWidth));
            painter.drawRect(box);
        }
        // Labels over every box, each on its box's top edge, above it where there is room.
        for (const auto& [box, finger] : boxes) {
            const QString label = ReviewBoxLabel(*finger);
            QRectF text(0, 0, metrics.horizontalAdvance(label) + 4, metrics.height());
            const double above = box.top() - text.height() - 1;
            text.moveTopLeft(QPointF(std::min(box.left(), width() - text.width()),
                                     above >= target.top() ? above : box.top() + kBoxPenWidth));
            painter.fillRect(text, kLabelBackground);
            painter.setPen(BoxColourOf(*finger, minimum));
            painter.drawText(text, Qt::AlignCenter, label);
        }
    }

private:
    QImage image;
    cv::Size storedSize;
    std::vector<ReviewFinger> fingers;
    int minimum = 0;
};

RunReview::RunReview(QWidget* parent)
    : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    header = new QLabel(this);
    header->setObjectName(QStringLiteral("lbl_ReviewRun"));
    header->setTextFormat(Qt::PlainText);
    header->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    outer->addWidget(header);
    auto* columns = new QHBoxLayout();
    outer->addLayout(columns, 1);

    const int32_t modes[] = {Right4, Left4, Thumbs2};
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const int32_t mode = modes[i];
        Tile& tile = tiles[i];
        auto* column = new QVBoxLayout();
        tile.title = new QLabel(
            QStringLiteral("%1 (%2)").arg(ModeHandName(mode), QLatin1String(CaptureModeDirectoryName(mode))), this);
        tile.title->setObjectName(ObjectName("lbl_ReviewTitle", mode));
        QFont bold = tile.title->font();
        bold.setBold(true);
        tile.title->setFont(bold);
        tile.view = new ReviewImageView(this);
        tile.fingers = new QLabel(this);
        tile.fingers->setObjectName(ObjectName("lbl_ReviewFingers", mode));
        tile.fingers->setTextFormat(Qt::RichText);
        tile.fingers->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        tile.fingers->setMinimumHeight(tile.fingers->fontMetrics().lineSpacing() * kFingerLinesShown);
        tile.outcome = new QLabel(this);
        tile.outcome->setObjectName(ObjectName("lbl_ReviewOutcome", mode));
        tile.outcome->setTextFormat(Qt::PlainText);
        tile.outcome->setWordWrap(true);
        tile.retake = new QPushButton(QStringLiteral("Retake"), this);
        tile.retake->setObjectName(ObjectName("btn_Retake", mode));
        for (QWidget* widget : {static_cast<QWidget*>(tile.title), static_cast<QWidget*>(tile.fingers),
                                static_cast<QWidget*>(tile.outcome), static_cast<QWidget*>(tile.retake)}) {
            // Equal columns whatever their texts.
            widget->setSizePolicy(QSizePolicy::Ignored, widget->sizePolicy().verticalPolicy());
        }
        column->addWidget(tile.title);
        column->addWidget(tile.view, 1);
        column->addWidget(tile.fingers);
        column->addWidget(tile.outcome);
        column->addWidget(tile.retake);
        columns->addLayout(column, 1);
        connect(tile.retake, &QPushButton::clicked, this, [this, mode] { emit retakeRequested(mode); });
    }
    Clear();
}

void RunReview::ShowRun(const QString& runDirectory, int minimumQuality)
{
    run = ReadReviewedRun(runDirectory);
    minimum = minimumQuality;
    const QString name = QFileInfo(run.directory).fileName();
    QStringList parts;
    parts << (run.person.isEmpty() ? QStringLiteral("Review of %1").arg(name)
                                   : QStringLiteral("Review of %1, run %2").arg(run.person, name));
    parts << run.problems;
    header->setText(parts.join(QStringLiteral(" \u00b7 ")));
    for (std::size_t i = 0; i < tiles.size() && i < run.tiles.size(); ++i) {
        ShowTile(tiles[i], run.tiles[i]);
    }
    SetRetakeEnabled(retakeEnabled);
}

void RunReview::ShowTile(Tile& tile, const ReviewTile& data)
{
    tile.view->Show(&data, minimum);
    QStringList lines;
    for (const ReviewFingerLine& line : ReviewFingerLines(data, minimum)) {
        const QString text = line.text.toHtmlEscaped();
        lines << (line.belowMinimum ? QStringLiteral("<span style=\"color:#d00000\">%1</span>").arg(text) : text);
    }
    tile.fingers->setText(lines.join(QStringLiteral("<br>")));
    QStringList outcome{ReviewOutcomeText(data)};
    outcome << data.problems;
    tile.outcome->setText(outcome.join(QLatin1Char('\n')));
    tile.retake->setText(TileWasCaptured(data) ? QStringLiteral("Retake") : QStringLiteral("Capture"));
}

void RunReview::Clear()
{
    run = ReviewedRun();
    header->clear();
    for (Tile& tile : tiles) {
        tile.view->Show(nullptr, minimum);
        tile.fingers->clear();
        tile.outcome->clear();
        tile.retake->setText(QStringLiteral("Retake"));
    }
    SetRetakeEnabled(retakeEnabled);
}

void RunReview::SetRetakeEnabled(bool enabled)
{
    retakeEnabled = enabled;
    for (Tile& tile : tiles) {
        tile.retake->setEnabled(enabled && !run.directory.isEmpty());
    }
}
