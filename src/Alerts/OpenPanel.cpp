#include "Alerts/OpenPanel.h"

OpenPanel::~OpenPanel() = default;
