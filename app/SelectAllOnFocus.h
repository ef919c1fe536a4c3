#pragma once

#include <QObject>

class QLineEdit;

// Selects the whole text of a line edit whenever it gets the focus, so that typing replaces
// a placeholder value such as "unknown" instead of adding to it.
class SelectAllOnFocus : public QObject {
    Q_OBJECT

public:
    // Watches `edit` for its life; the filter is a child of it.
    explicit SelectAllOnFocus(QLineEdit* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit;
};
