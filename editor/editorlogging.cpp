#include "editor/editorlogging.h"

Q_LOGGING_CATEGORY(lcEditor, "velmora.editor")
