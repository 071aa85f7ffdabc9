#pragma once

#include "ui/controls/CheckedComboBox.h"

#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

// The window a CheckedComboBox opens under (or over) itself: the list of check boxes.
class CheckDropDown : public QFrame {
public:
    explicit CheckDropDown(CheckedComboBox& owner)
        : QFrame(&owner, Qt::Popup | Qt::FramelessWindowHint), m_owner(owner) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_list = new QListWidget(this);
        layout->addWidget(m_list);
    }

    QListWidget* list() const { return m_list; }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A press on the control's own button only closes the drop-down: were the press passed
        // on to the button once the drop-down has closed, it would open it again at once.
        const QToolButton* button = m_owner.m_button;
        const QPoint global = event->globalPosition().toPoint();
        if (!rect().contains(event->position().toPoint()) &&
            button->rect().contains(button->mapFromGlobal(global)))
            setAttribute(Qt::WA_NoMouseReplay);
        QFrame::mousePressEvent(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            hide();
            return;
        }
        QFrame::keyPressEvent(event);
    }
    void hideEvent(QHideEvent* event) override {
        QFrame::hideEvent(event);
        emit m_owner.closedUp();
    }

private:
    CheckedComboBox& m_owner;
    QListWidget* m_list = nullptr;
};
