/* The conformance program's own string table: which block holds its text in
 * which languages. Shared by the resource script of the Windows build and the
 * resource table of the host build. */
#ifndef CONFORMANCE_OWN_STRINGS_H
#define CONFORMANCE_OWN_STRINGS_H

#define TEXT_ONE_NEUTRAL "one neutral"
#define TEXT_ONE_EN_US "one en-US"
#define TEXT_ONE_DE_DE "one de-DE"
#define TEXT_TWO_EN_US "two en-US"
#define TEXT_TWO_DE_DE "two de-DE"
#define TEXT_THREE_DE_DE "three de-DE"
#define TEXT_FOUR_EN_GB "four en-GB"
#define TEXT_FOUR_DE_AT "four de-AT"

#endif
