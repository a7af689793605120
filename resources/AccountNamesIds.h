#pragma once
// Account-name rules: the pieces of the two bad-name messages and the titles
// of the account message boxes.
#define IDS_BADNAME_THE_NAME 9240
#define IDS_BADNAME_LOCAL_RULE 9241
#define IDS_BADNAME_PLATFORM_RULE 9242
#define IDS_BADNAME_CHARACTERS 9243
#define IDS_TITLE_LOCAL_USERS_AND_COMPUTERS 9244
#define IDS_TITLE_LOCAL_USERS_AND_GROUPS 9245
