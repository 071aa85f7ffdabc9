#pragma once

class Messages;
class PageOutput;

// The printer dialog ("Настройки принтера", F3) on the page output's destination: when the
// user accepts it, the output prints where the dialog says (a queue, or a PDF file) on the
// paper chosen there, measured anew.
void choosePrinter(Messages& messages, PageOutput& output);
