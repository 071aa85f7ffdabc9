#pragma once

#include <QString>

class Messages;

// The program folder's address book as an older Windows version kept it, in Microsoft Access:
// asks whether to convert it into the program's own file and does so, saying what came over.
// A Jet 3 file whose Western header hides Russian names is asked about first, with the names
// in both readings. True when converted, false when the user declined: nothing was touched.
// Throws UserError when the file cannot be read or converted; the Access file then stays
// under its name as it was, and no new file is left.
bool offerAccessConversion(const QString& path, Messages& messages);
