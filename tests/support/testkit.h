#pragma once
// Everything the end-to-end tests share.
#include "files.h"
#include "msgbox.h"
#include "pipes.h"
#include "testprocess.h"
#include "productconfig.h"
#include "registry.h"
#include "screen.h"
#include "shortcut.h"
