// A stand-in for the DCL object's answers: the file symbols, a small string
// table and a set of supported options.
#pragma once

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "dcl/model/model_callbacks.h"
#include "dcl/model/symbols.h"

namespace trv::dcl::testing {

class FakeCallbacks : public ModelCallbacks {
 public:
  std::map<UINT, std::string> texts;
  std::set<WORD> supported;
  bool supportAll = true;

  bool LookUpSymbol(std::string_view name, LONG& value) override {
    return LookUpLabelSymbol(name, value) || LookUpFileSymbol(name, value);
  }
  int LoadText(UINT id, char* buffer, int size) override {
    auto it = texts.find(id);
    std::string text = it != texts.end() ? it->second : "";
    int n = static_cast<int>(text.size()) < size ? static_cast<int>(text.size()) : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
  }
  bool SupportsOption(WORD optionId) override {
    return supportAll || supported.count(optionId) != 0;
  }
};

}  // namespace trv::dcl::testing
