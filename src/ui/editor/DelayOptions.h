#pragma once

#include <QWidget>

class IniFile;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// The print delay of the layout editor's bottom bar: the seconds, as a field and a spinner
// that move together, and whether the delay comes before every envelope or only between
// profiles. It is the program's setting, not the profile's: it is read from the settings
// file each time the editor opens and written only by "Сохранить и выйти".
class DelayOptions : public QWidget {
    Q_OBJECT

public:
    explicit DelayOptions(QWidget* parent);

    // Shows the delay the settings file holds.
    void read(const IniFile& ini);
    // Writes the delay as shown, the seconds as typed.
    void write(IniFile& ini) const;

private:
    QRadioButton* everyEnvelope = nullptr; // "Задержка печати"
    QRadioButton* byProfile = nullptr; // "Задержка печати только по профилям"
    QLineEdit* seconds = nullptr;
    QSpinBox* spinner = nullptr;
};
