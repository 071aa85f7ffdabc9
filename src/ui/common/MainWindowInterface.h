#pragma once

#include "core/profiles/PrintProfile.h"

#include <QMainWindow>

class QAbstractItemModel;

// The main window as the other windows see it: the few things they ask of it. The windows that open
// from the main window sit in folders below it and know it only through this class.
class MainWindowInterface : public QMainWindow {
public:
    using QMainWindow::QMainWindow;

    // The program's version, as the caption and the about window show it.
    const QString& appVersion() const { return m_appVersion; }
    // The screen's resolution, measured once the program runs.
    int scrDpiX() const { return m_scrDpiX; }
    int scrDpiY() const { return m_scrDpiY; }
    // The texts the envelope prints: what the address editors hold now.
    virtual AddressTexts addressTexts() const = 0;
    // Reads the recipient and sender lists again, under the group filter.
    virtual void refillLists() = 0;

    // The main window's list of profiles shows these names; the choice is an index into them.
    virtual void showProfileNames(QAbstractItemModel* names) = 0;
    virtual int chosenProfile() const = 0;
    virtual void chooseProfile(int index) = 0;
    // Whether the deferred start-up step is still to load the selected recipient's profile.
    virtual bool startLoadsProfile() const = 0;

    // The layout editor was closed: what it did not save gives way to the stored profile.
    virtual void editorClosed() = 0;
    // Selects the next ticked recipient in the direction (+1 or -1); false when there is none.
    virtual bool stepRecipient(int direction) = 0;

protected:
    QString m_appVersion;
    int m_scrDpiX = 96;
    int m_scrDpiY = 96;
};
