#pragma once

#include <QString>

// Where the user's data lives. Each function builds its path afresh and
// creates what it names, so a folder removed while running comes back.
QString dataDirectory();
QString attachmentsDirectory();
QString clientId();
QString databasePath();
