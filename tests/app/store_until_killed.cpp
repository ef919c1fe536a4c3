// Helper of the storage tests: stores a mode with raw frames into the run directory given and
// holds its writer right before the second raw frame, saying "holding", until it is killed.
#include "ModeStorage.h"
#include "SettingsStore.h"

#include <future>
#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " RUN_DIRECTORY" << std::endl;
        return 2;
    }
    ModeStoreInput input;
    input.runDirectory = QString::fromLocal8Bit(argv[1]);
    input.modeName = QStringLiteral("4R");
    input.settings = DefaultAppSettings();
    input.settings.saveFinalImage = false;
    input.settings.saveRawData = true;
    input.stepTimer.start();
    input.workers = 1; // the first raw frame is written before the second is held
    input.beforeWrite = [](const QString& relativePath) {
        if (relativePath == QStringLiteral("raw/frame2.png")) {
            std::cout << "holding" << std::endl;
            std::promise<void>().get_future().wait(); // until killed
        }
    };
    CaptureResultRequests requests;
    requests.rawImages = [](std::vector<cv::Mat>& frames) {
        frames.assign(4, cv::Mat(48, 64, CV_8UC1, cv::Scalar(128)));
        return quorvel::DeviceError{};
    };
    StoreMode(input, requests);
    return 1; // never gets here
}
