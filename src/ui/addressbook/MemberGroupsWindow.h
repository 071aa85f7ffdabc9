#pragma once

#include <QDialog>
#include <QString>

struct Windows;
class QLabel;
class QListWidget;
class QPushButton;

// The groups one recipient belongs to: every group with a tick, and the names in
// the recipient's groups column that no group carries, so that they can be
// dropped. "Готово" writes the ticked names into that column.
class MemberGroupsWindow : public QDialog {
    Q_OBJECT

public:
    MemberGroupsWindow(Windows& windows, const QString& recipient);

    // The line's group name as the groups column holds it; a line's text may
    // carry a remark besides.
    static constexpr int NameRole = Qt::UserRole;

    // The ticked names in list order, joined as the groups column keeps them.
    QString checkedText() const;
    void store();

private:
    void fill();

    Windows& w;
    QString m_recipient;
    QLabel* m_recipientLabel = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_done = nullptr;
    QPushButton* m_cancel = nullptr;
};
