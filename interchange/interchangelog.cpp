#include "interchange/interchangelog.h"

Q_LOGGING_CATEGORY(lcInterchange, "velmora.interchange")
