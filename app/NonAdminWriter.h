// Reads a file's or folder's access list for the groups that ordinary users,
// not administrators, belong to: can one of them change the file, or write
// into the folder?
#pragma once

#include <windows.h>

enum class NonAdminPrincipal { None, Everyone, AuthenticatedUsers, Users, Interactive };

// The broadest of Everyone, Authenticated Users, Users and INTERACTIVE that
// the descriptor's access list lets write data, append, add a file or a
// subfolder, write the access list or take ownership (generic write and
// generic all included); None when none can. The entries are evaluated in
// their order, as the system does: a right denied before it is allowed stays
// denied. A principal is judged together with Everyone, which every holder
// of these groups also holds. Entries that only pass on to new files and
// folders grant nothing here. CREATOR OWNER stands for whoever creates a
// file, so it matters only where one of these groups may create files, and
// that is found by itself. A missing access list lets anyone write.
NonAdminPrincipal FindNonAdminWriter(PSECURITY_DESCRIPTOR descriptor);

// "Everyone", "NT AUTHORITY\Authenticated Users", "BUILTIN\Users",
// "NT AUTHORITY\INTERACTIVE"; "" for None.
const char* NonAdminPrincipalName(NonAdminPrincipal principal);
