#pragma once

#include <memory>
#include <vector>

class DocTemplate;

// The templates of screens 1 to 9, in index order.
std::vector<std::unique_ptr<DocTemplate>> screenTemplates();
