/*
 * The upgrade engine: the carried file set, extraction, the upgrade decision,
 * replacement, rollback and clean-up.
 */
#include "upgrade.h"

#include "log.h"

static const char THIS_FILE[] = ".\\install\\upgrade.cpp";

/* Stand-in until the engine lands: starts without work to do. */
BOOL UpgradeInit(void)
{
    POSITION();
    return TRUE;
}

/* Stand-in until the engine lands. */
void UpgradeDone(void)
{
    POSITION();
}
