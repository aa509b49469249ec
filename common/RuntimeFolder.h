#pragma once

#include <QString>

// The per-user folder, entered by this user only, that holds the link sockets
// and the single-instance locks: <QStandardPaths::RuntimeLocation>/murmurine.
namespace RuntimeFolder {

// Created with mode 0700 when missing; empty when it cannot be made private.
QString path();

} // namespace RuntimeFolder
