#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QFrame>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <functional>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QToolButton;
class CheckDropDown;

// A drop-down list with a check box per item, so that several items can be chosen; the closed
// field shows the chosen texts joined by ",". The texts are kept beside the boxes in the order
// they were ticked, and that joined text (not the boxes) is what an owner stores.
class CheckedComboBox : public QFrame {
    Q_OBJECT

public:
    enum TQuoteStyle { qsNone, qsSingle, qsDouble };
    Q_ENUM(TQuoteStyle)

    explicit CheckedComboBox(QWidget* parent = nullptr);
    ~CheckedComboBox() override;

    // Every change of the items unticks the whole list and empties the checked text, so an
    // owner that changes them sets its ticks again afterwards.
    QStringList Items() const { return m_items; }
    void SetItems(const QStringList& items);
    void AddItem(const QString& text);
    void Clear();

    // Takes the items from the first column of a model and follows its changes: rows put in,
    // taken out, renamed or moved keep the ticks of the texts that stay, by text and in the
    // order they were ticked (a renamed item keeps its tick under the new text while the
    // checked text stays below 256 characters, and loses it quietly otherwise). SetItems,
    // AddItem and Clear let go of the model; a null model does too, keeping the items.
    void setModel(QAbstractItemModel* model);
    QAbstractItemModel* model() const { return m_model; }

    // False for an index outside the items.
    bool IsChecked(int index) const;
    // Does nothing for an index outside the items; a text that would make the checked text
    // 256 characters or longer is refused with a notice.
    void SetChecked(int index, bool checked);
    // Ticks everything, with no length limit.
    void SelectAll();
    void DeSelectAll();

    // The ticked texts joined by "," in the order they were ticked.
    QString CheckedText() const { return m_checkedText; }
    int CheckedCount() const { return m_checkedCount; }
    // The checked text with every piece quoted by QuoteStyle; empty when nothing is ticked.
    QString QuotedText() const;
    // What the closed field shows.
    QString Text() const;

    QString CapSelectAll() const { return m_capSelectAll; }
    void SetCapSelectAll(const QString& caption);
    QString CapDeSelectAll() const { return m_capDeSelectAll; }
    void SetCapDeSelectAll(const QString& caption);
    QColor NotFocusColor() const { return m_notFocusColor; }
    void SetNotFocusColor(const QColor& color);
    bool Sorted() const { return m_sorted; }
    void SetSorted(bool sorted);
    TQuoteStyle QuoteStyle() const { return m_quoteStyle; }
    void SetQuoteStyle(TQuoteStyle style) { m_quoteStyle = style; }
    int Columns() const { return m_columns; }
    void SetColumns(int columns);
    int DropDownLines() const { return m_dropDownLines; }
    // Values outside 6 to 10 are ignored.
    void SetDropDownLines(int lines);
    QString EmptyValue() const { return m_emptyValue; }
    void SetEmptyValue(const QString& text);
    // Shows the ticked texts in item order instead of the order they were ticked.
    bool SortDisplay() const { return m_sortDisplay; }
    void SetSortDisplay(bool sortDisplay);
    static QString Version() { return QStringLiteral("1.7"); }

    // Where refusals are reported to the user; without one they only reach the log.
    void setNoticeHandler(std::function<void(const QString&)> notice);

    void showDropDown();
    void hideDropDown();
    bool isDroppedDown() const;
    // The list inside the drop-down, with the Select All and DeSelect All actions.
    QListWidget* dropDownList() const { return m_list; }
    QToolButton* dropDownButton() const { return m_button; }
    // Where the drop-down would open now, on the screen the control is on.
    QRect dropDownGeometry() const;
    // A drop-down of this height under the control (both in screen coordinates) that would
    // come below the screen's bottom less 20 pixels opens upwards instead.
    static QRect dropDownGeometry(const QRect& control, int height, const QRect& screen);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Any change of the ticks, by the program or by the user.
    void changed();
    // A change of the ticks made by the user in the drop-down or its menu; it follows changed().
    void userChanged();
    void closedUp();
    void entered();
    void exited();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class CheckDropDown;
    enum class Added { Yes, AlreadyThere, NoRoom };

    // The closed field with its button, and the drop-down; each in the file of its concern.
    void makeField();
    void makeDropDown();
    Added addText(const QString& text);
    bool removeText(const QString& text);
    void itemsChanged();
    void fillList();
    void releaseModel();
    void followModel(const QStringList& renamedFrom = {}, const QStringList& renamedTo = {});
    void refresh();
    void setBox(int index, bool checked);
    void userToggled(QListWidgetItem* item);
    void userSelectAll(bool select);
    int linesToShow() const;
    int itemHeight() const;
    void layoutParts();
    void paintField(const QColor& base);
    void notify(const QString& text) const;

    QStringList m_items;
    QPointer<QAbstractItemModel> m_model;
    // The model's texts in its own row order, to tell which item a renamed row was.
    QStringList m_modelTexts;
    QString m_checkedText;
    int m_checkedCount = 0;
    QString m_capSelectAll = QStringLiteral("&Select All");
    QString m_capDeSelectAll = QStringLiteral("&DeSelect All");
    QColor m_notFocusColor = Qt::white;
    bool m_sorted = false;
    TQuoteStyle m_quoteStyle = qsNone;
    int m_columns = 0;
    int m_dropDownLines = 6;
    QString m_emptyValue = QStringLiteral("<none>");
    bool m_sortDisplay = false;
    std::function<void(const QString&)> m_notice;
    // Set while the program changes boxes, so that only the user's clicks count as clicks.
    bool m_settingBoxes = false;

    QLineEdit* m_edit = nullptr;
    QToolButton* m_button = nullptr;
    CheckDropDown* m_dropDown = nullptr;
    QListWidget* m_list = nullptr;
};
