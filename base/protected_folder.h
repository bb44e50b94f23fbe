// Folders that only Administrators and SYSTEM may change: where an elevated
// program keeps what it will later copy back into a place that only they may
// write. A folder anyone else can write is a way in: what an unelevated
// program put there would be copied back with administrator rights.
#pragma once
#include <windows.h>

// Makes the folder `path` when it is not there, owned by Administrators, with
// an access list that grants full control to Administrators and SYSTEM alone
// and takes nothing from the parent folder. True when the folder there now
// passes is_protected_folder: a folder of that name made by someone else is
// not taken over.
bool make_protected_folder(const char *path);

// Whether `path` is a folder, not a junction or link, that only
// Administrators and SYSTEM may change.
bool is_protected_folder(const char *path);

// Whether `descriptor` has Administrators or SYSTEM as its owner and an
// access list that grants no one else any right to change what it guards
// (write, append, delete, attributes, access list, owner). Under Wine the
// process's own user counts with them: Wine keeps no access list on its file
// systems (what is set only becomes the Unix mode) and answers with one made
// up from the Unix owner, always that user, and its mode; and every Wine
// process runs as that user with full administrator rights. So Wine cannot
// show an owner of Administrators, nor an unelevated user refused.
bool only_administrators_may_change(PSECURITY_DESCRIPTOR descriptor);
