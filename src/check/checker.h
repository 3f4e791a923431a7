// The scenario checker: reads a title exactly as the engine does (instance file, scenario, the
// dispatch order, the path resolver), runs nothing, and reports what would go wrong when played.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/finding.h"
#include "shell/instance_file.h"
#include "shell/title_settings.h"

namespace textreel {
class Scenario;
}

namespace textreel::check {

class FileProbe;

// Checks the title in the current directory.
Report CheckTitle();

// Checks a loaded scenario (named fileName in the findings) against the title's configuration and
// files; the findings are appended to out.
// settings: the title's textreel.ini (its encoding and wrapping change what counts as a problem).
void CheckScenario(Scenario& scenario, const std::string& fileName, const InstanceConfig& config,
                   FileProbe& probe, std::vector<Finding>& out, const TitleSettings& settings = {});

// The findings on an instance file's bytes (named fileName), and the configuration the engine reads
// from them.
void CheckInstanceFile(const std::vector<uint8_t>& bytes, const std::string& fileName,
                       std::vector<Finding>& out);

}  // namespace textreel::check
