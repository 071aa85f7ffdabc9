#pragma once

#include <QObject>

class QLineEdit;

// The typing rule of the program's number fields: Backspace, a minus only at
// the start, and digits while the text is at most maxLength characters long
// (or before a comma); every other character is refused.
class NumberKeyFilter : public QObject {
public:
    NumberKeyFilter(QLineEdit* field, int maxLength);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_maxLength;
};
