#pragma once

// Base of the settings test classes: every test function starts with a settings home of
// its own, so no test sees a file another one wrote.

#include "TempSettingsHome.h"

#include <QObject>
#include <QtTest>

#include <optional>

class SettingsHomeTest : public QObject {
    Q_OBJECT

protected:
    std::optional<TempSettingsHome> home;

private slots:
    void init()
    {
        home.emplace();
        QVERIFY(home->isValid());
    }
    void cleanup() { home.reset(); }
};
