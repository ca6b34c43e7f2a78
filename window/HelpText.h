#pragma once

#include <string>

// The help dialog's text, built anew from its pieces on each opening.
std::string BuildHelpText();
