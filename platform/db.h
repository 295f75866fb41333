// Database components of the window: the connection, the statement query, the
// listing chain (query data set -> provider -> client data set) and the data
// source that feeds the grid. GUI thread only.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/vcl.h"

namespace vcl {

using TParams = std::vector<std::pair<std::string, std::string>>;  // key, value in order

class TSQLConnection : public TComponent {
 public:
  using TComponent::TComponent;
  std::string ConnectionName;
  std::string DriverName;
  std::string GetDriverFunc;
  std::string LibraryName;
  std::string VendorLib;
  bool LoadParamsOnConnect = false;
  bool LoginPrompt = true;
  TParams Params;
};

class TSQLQuery : public TDataSet {
 public:
  using TDataSet::TDataSet;
  TSQLConnection *SQLConnection = nullptr;
  int MaxBlobSize = 0;
};

class TSQLDataSet : public TDataSet {
 public:
  using TDataSet::TDataSet;
  TSQLConnection *SQLConnection = nullptr;
  int MaxBlobSize = 0;
};

enum TProviderOption : unsigned { poAllowCommandText = 1u << 0 };

class TDataSetProvider : public TComponent {
 public:
  using TComponent::TComponent;
  TDataSet *DataSet = nullptr;
  unsigned Options = 0;
};

class TClientDataSet : public TDataSet {
 public:
  using TDataSet::TDataSet;
  std::string ProviderName;
};

}  // namespace vcl
