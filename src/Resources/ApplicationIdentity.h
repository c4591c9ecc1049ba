#pragma once

// Names the running application (organisation, name, version) for QSettings,
// the command line and the window alike.
void describeApplication();
