// The update guide: the user's guide to the update, shown in the About box.
// Shift-JIS text carried as the raw resource "#111" of the type "BINARY".
#pragma once

// A copy of the guide's text with a NUL after its last byte, taken from the
// updater's own module; the resource itself carries no terminating NUL, so
// the copy never reads past its end. NULL when the resource cannot be found
// or loaded, or no memory is left for the copy. The caller hands the copy
// back to release_update_guide.
char *load_update_guide();

// Frees a copy made by load_update_guide; NULL is fine.
void release_update_guide(char *text);
