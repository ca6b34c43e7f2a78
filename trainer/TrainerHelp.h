#pragma once

#include <string>

// The help dialog's second page: the trainer's keys and buttons.
std::string BuildTrainerHelpText();
