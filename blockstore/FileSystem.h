// The file system calls of the block store's file layer and start-up
// housekeeping, gathered in one table that their code calls through, so a
// test can make any one of them fail.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace SimExe::FileSystem {

struct Calls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*mkostemp)(char* pattern, int flags);
    ssize_t (*read)(int fd, void* buffer, size_t count);
    ssize_t (*pread)(int fd, void* buffer, size_t count, off_t offset);
    ssize_t (*write)(int fd, const void* buffer, size_t count);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*fstat)(int fd, struct stat* st);
    int (*stat)(const char* path, struct stat* st);
    int (*lstat)(const char* path, struct stat* st);
    char* (*realpath)(const char* path, char* resolved);
    int (*fchmod)(int fd, mode_t mode);
    int (*chmod)(const char* path, mode_t mode);
    int (*flock)(int fd, int operation);
    int (*access)(const char* path, int mode);
    int (*mkdir)(const char* path, mode_t mode);
    DIR* (*opendir)(const char* path);
    dirent* (*readdir)(DIR* dir);
    int (*closedir)(DIR* dir);
};

// The table in use: the operating system's calls unless a test put others.
const Calls& Sys();
// The operating system's own calls.
const Calls& Native();
// Puts a table in place of the one in use and returns that one. Only for
// tests, and only while no other thread is inside the file layer.
Calls Install(const Calls& calls);

}  // namespace SimExe::FileSystem
