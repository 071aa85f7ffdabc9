#pragma once

#include <QString>

// How the core tells the user something without asking anything back: the window shows a
// box, the command line program writes a line to stderr.
class Notices {
public:
    virtual ~Notices() = default;
    // A plain notice: the text as it stands, CR LF between its lines.
    virtual void notice(const QString& text) = 0;
};

// The application title that boxes carry and PDF files name as their creator.
QString applicationTitle();

// Qt's own Russian catalogue, so that standard dialogs and buttons speak Russian like
// the rest of the program; installed for the life of the application.
void installQtRussian();

// Makes the process's locale of dates and of messages Russian, as the rest of the program
// is, whatever the desktop's language: Qt's file dialog writes dates by QLocale::system(),
// which reads the environment (LC_ALL, LC_TIME, LANG) once, and QLocale::setDefault does
// not change it. Numbers, letters and paper keep the user's locale. Called first thing in
// main, before the application object exists.
void useRussianLocale();
