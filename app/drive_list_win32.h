#pragma once

// Empties and refills DriveTable and DriveList, logs every drive, selects the first USB drive
// and copies its label into LabelField.
void RebuildDriveList();
// The Refresh button: a heading in the log, then RebuildDriveList.
void RefreshDrives();
// A row chosen by the user: LabelField takes that drive's label.
void CopyLabelOfChosenRow();
