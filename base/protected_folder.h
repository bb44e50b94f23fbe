// Folders that only Administrators and SYSTEM may change: where an elevated
// program keeps what it will later copy back into a place that only they may
// write. A folder anyone else can write is a way in: what an unelevated
// program put there would be copied back with administrator rights.
#pragma once
#include <windows.h>

// Makes the folder `path` when it is not there, owned by Administrators, with
// an access list that grants full control to Administrators and SYSTEM alone
// and takes nothing from the parent folder. True when the folder there now
// is one that only they may change (is_protected_folder): a folder of that
// name made by someone else is not taken over.
bool make_protected_folder(const char *path);

// Whether `path` is a folder, not a junction or link, that only
// Administrators and SYSTEM may change.
bool is_protected_folder(const char *path);

// Whether `descriptor` has Administrators or SYSTEM as its owner and an
// access list that grants no one else any right to change what it guards
// (write, append, delete, attributes, access list, owner).
bool only_administrators_may_change(PSECURITY_DESCRIPTOR descriptor);
