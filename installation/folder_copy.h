// Copying a folder tree exactly, making a folder match such a copy again, and
// removing a tree. Files are streamed through one fixed buffer, so memory does
// not grow with their size, and `window` (the progress window, or NULL) is
// pumped now and then meanwhile. Folders are given with their trailing
// backslash; a path that would not fit MAX_PATH bytes fails its entry.
#pragma once
#include <windows.h>

// The bytes that the files below `folder` take on a disk, each rounded up to
// a whole cluster of 4 KiB. False when a folder below cannot be listed: the
// bytes then leave it out.
bool tree_bytes(const char *folder, ULONGLONG *bytes);

// Copies everything below `from` into the existing, empty folder `to`: each
// file with its bytes, times and attributes, flushed to the disk, each folder
// with its times and attributes, `to` itself with those of `from`. Each file
// copied is listed with the CRC-32 of its bytes in `listing` (a file open for
// writing, written on from where it stands), `files` their number. False
// when anything failed, with `failed` (MAX_PATH bytes) naming the first entry
// of `from` that did. A folder that is a reparse point (a junction or link)
// fails: its copy would not be the same thing.
bool copy_tree(HWND window, const char *from, const char *to, char *failed, HANDLE listing, DWORD *files);

// Whether `copy` still holds what copy_tree listed: each of the `files`
// files of `listing` (read on from where it stands, one file at a time), with
// the bytes it had, and no other file. Reads every byte of the copy.
bool verify_tree(HWND window, const char *copy, HANDLE listing, DWORD files);

// Makes `folder` hold exactly what `copy` (made by copy_tree) holds: entries
// that are not in `copy` are removed, each file of `copy` that is missing or
// differs in size, time of last change, attributes or bytes is written again
// with its bytes, times and attributes, and each folder gets its times and
// attributes back. Goes on past a failure, so that as much as possible is
// back; false when anything failed. A file is written again only once its
// copy could be opened.
bool put_back_tree(HWND window, const char *copy, const char *folder);

// Removes `folder` and everything below it, read-only files included; a
// folder that is a reparse point when it is removed goes without being
// followed. False when anything stays.
bool remove_tree(const char *folder);
