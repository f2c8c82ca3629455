#pragma once

#include "interchange/importresult.h"

#include <QString>

class AppState;

// Imports a Synology Note Station export (a ZIP archive): notebooks become
// notebooks, notes become notes with their HTML converted, and the files
// named by each attachment's md5 become that note's attachments.
ImportResult importNsx(const QString &path,
                       AppState *appState,
                       const ImportProgress &progress = ImportProgress());
