#pragma once

#include <QWidget>

class EnvelopeDocument;
class QCheckBox;

// The three switches of the profile in the layout editor's bottom bar: "Поменять индексы
// местами", "Цифры индекса по трафарету" and "Подтверждение печати". They show the
// document's profile and send each change to it.
class ProfileSwitches : public QWidget {
    Q_OBJECT

public:
    ProfileSwitches(EnvelopeDocument& document, QWidget* parent);

    // Shows the document's switches.
    void showDocument();

signals:
    // The user changed a switch; the document already holds it.
    void userChanged();
    // After userChanged, when the user swapped the indexes.
    void indexesSwapped();
    // The stencil switch changed, by the user or by showDocument.
    void stencilChanged();

private:
    EnvelopeDocument& m_document;
    QCheckBox* indexSwapBox = nullptr;
    QCheckBox* confirmBox = nullptr;
    QCheckBox* stencilBox = nullptr;
};
