#include "SceneImage.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPixmap>
#include <QTransform>

namespace SceneImage {

cv::Size ViewportPixels(const QGraphicsView& view)
{
    // A view that is not shown has no size worth reducing to yet.
    if (!view.isVisible()) {
        return {};
    }
    const qreal ratio = view.devicePixelRatioF();
    const QSize size = view.viewport()->size();
    return {static_cast<int>(size.width() * ratio), static_cast<int>(size.height() * ratio)};
}

void Show(QGraphicsView& view, const ViewImage& image)
{
    QGraphicsScene* scene = view.scene();
    if (scene == nullptr || image.Empty() || image.imageSize.empty() || image.pixels.type() != CV_8UC4) {
        return;
    }
    cv::Mat pixels = image.pixels;
    if (ShowsBlank(image)) {
        pixels = cv::Mat(image.pixels.size(), CV_8UC4, cv::Scalar::all(255));
    }
    // The image keeps a reference to the pixels until the toolkit lets go of the last copy.
    auto* held = new cv::Mat(pixels);
    QImage wrapped(
        held->data, held->cols, held->rows, static_cast<qsizetype>(held->step), QImage::Format_RGB32,
        [](void* mat) { delete static_cast<cv::Mat*>(mat); }, held);
    QPixmap pixmap = QPixmap::fromImage(std::move(wrapped));
    if (pixmap.isNull()) {
        return;
    }
    const qreal ratio = view.devicePixelRatioF();
    pixmap.setDevicePixelRatio(ratio);

    // Per axis, so that the view image fills exactly the pixels it was made for.
    const qreal scaleX = image.imageSize.width * ratio / pixmap.width();
    const qreal scaleY = image.imageSize.height * ratio / pixmap.height();
    scene->clear();
    scene->setSceneRect(0, 0, image.imageSize.width, image.imageSize.height);
    scene->addPixmap(pixmap)->setTransform(QTransform::fromScale(scaleX, scaleY));
    const QTransform fit = QTransform::fromScale(1.0 / scaleX, 1.0 / scaleY);
    if (view.transform() != fit) {
        view.setTransform(fit);
    }
}

} // namespace SceneImage
