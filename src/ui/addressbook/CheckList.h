#pragma once

#include "core/addressbook/NameOrder.h"

#include <QAbstractListModel>
#include <QListView>
#include <QListWidget>
#include <QStringList>
#include <utility>
#include <vector>

// Lines with a check box each, kept in the order of NameOrder.
// Built on a model of its own so that a hundred thousand lines fill at once.
class CheckListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit CheckListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int count() const { return int(m_items.size()); }
    const QString& text(int row) const { return m_items[size_t(row)].text; }
    bool isChecked(int row) const { return m_items[size_t(row)].checked; }
    void setChecked(int row, bool checked);
    void setAllChecked(bool checked);
    // Every line's text, and every line with its tick, in list order.
    QStringList texts() const;
    std::vector<std::pair<QString, bool>> entries() const;

    // Replaces every line at once, then sorts.
    void setLines(std::vector<std::pair<QString, bool>> lines);
    void clear();
    // Inserts in sorted place; returns the line's row.
    int add(const QString& text, bool checked);
    void removeAt(int row);
    // Removes the lines at these rows, given in ascending order.
    void removeRows(const std::vector<int>& rows);
    int checkedCount() const;
    // Gives a line a new text; returns its new row.
    int rename(int row, const QString& text);

signals:
    // The user changed a line's tick.
    void userChecked(int row);

private:
    struct Item {
        QString text;
        bool checked = false;
        QCollatorSortKey key;
    };
    Item makeItem(const QString& text, bool checked) const;
    static bool less(const Item& a, const Item& b);
    int insertionRow(const Item& item) const;

    NameOrder m_order;
    std::vector<Item> m_items;
};

class CheckList : public QListView {
    Q_OBJECT

public:
    explicit CheckList(QWidget* parent = nullptr);

    CheckListModel& lines() { return *m_model; }
    const CheckListModel& lines() const { return *m_model; }

    int count() const { return m_model->count(); }
    QString text(int row) const { return m_model->text(row); }
    bool isChecked(int row) const { return m_model->isChecked(row); }
    int currentRow() const;
    void setCurrentRow(int row);
    // The selected line's text, empty when none is selected.
    QString currentText() const;

signals:
    // The user moved the selection with the mouse or the keyboard; a selection
    // made by the program does not signal.
    void userSelected(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void reportUserSelection(int before, bool evenIfSame);

    CheckListModel* m_model;
};

// A plain list whose selection by the user is told apart from the program's.
class ListBox : public QListWidget {
    Q_OBJECT

public:
    using QListWidget::QListWidget;

signals:
    void userSelected(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
