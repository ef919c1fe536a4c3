#include "SceneImage.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QTransform>

cv::Size SceneImage::ViewportPixels(const QGraphicsView& view)
{
    // A view that is not shown has no size worth reducing to yet.
    if (!view.isVisible()) {
        return {};
    }
    const qreal ratio = view.devicePixelRatioF();
    const QSize size = view.viewport()->size();
    return {static_cast<int>(size.width() * ratio), static_cast<int>(size.height() * ratio)};
}

void SceneImage::Show(QGraphicsView& view, const ViewImage& image)
{
    QGraphicsScene* scene = view.scene();
    if (scene == nullptr || image.Empty() || image.imageSize.empty()) {
        return;
    }
    QPixmap pixmap = ShowsBlank(image)
        ? pixmaps.Convert(cv::Mat(image.pixels.size(), CV_8UC3, cv::Scalar(255, 255, 255)))
        : pixmaps.Convert(image.pixels);
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
