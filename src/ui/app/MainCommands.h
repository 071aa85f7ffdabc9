#pragma once

#include "ui/app/AddressTransfer.h"

#include <functional>

struct Windows;
class MainWindow;
class QAction;
class RecordsPane;

// The main window's commands: the toolbar, the menus and the recipient list's context menu,
// each wired to what it does. What a command asks before it acts is asked here.
class MainCommands {
public:
    MainCommands(Windows& windows, MainWindow& window, RecordsPane& records);

private:
    void buildToolbar();
    void buildMenus();
    void buildListMenu();
    // Runs the action's handler on a trigger; an error it throws becomes the error notice.
    void on(QAction* action, std::function<void()> handler);

    // "Сохранить": the envelope's picture, then the changed record.
    void save();
    void add();
    // Asks first; the toolbar's button does nothing while the recipient list is empty.
    void deleteChosen(bool fromListMenu);
    void askToClearEditors();

    Windows& w;
    MainWindow& m_window;
    RecordsPane& m_records;
    AddressTransfer m_transfer;
};
