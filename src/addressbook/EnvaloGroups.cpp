// The main window's recipient groups: the filter of the recipient list and the
// commands that open the group windows.
#include "app/Envalo.h"

bool Tfrm::ingroups(const QString& /*recipientGroups*/) const { return true; }

void Tfrm::loadgroups() {}

void Tfrm::groupsClick() {}

void Tfrm::memberGroupsClick() {}
