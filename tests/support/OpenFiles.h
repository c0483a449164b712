#pragma once

// The number of files this process has open, to see that a transfer closed its file; -1 where the
// platform does not tell (the check is then left out).
int OpenFileCount();
