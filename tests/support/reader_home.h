// A private folder of virtual readers for one test (QV_CARD_HOME points at it
// while the fixture lives), with helpers to lay cards and plan faults.
#pragma once

#include <string>
#include <vector>

#include "qv_card/virtual_reader.h"

class ReaderHome {
 public:
  ReaderHome();
  ~ReaderHome();
  ReaderHome(const ReaderHome &) = delete;
  ReaderHome &operator=(const ReaderHome &) = delete;

  const std::string &Path() const { return path_; }
  void AddReader(const std::string &name) const;
  // Lays a card with these fields (and password) in the reader, adding the
  // reader when it is missing.
  void LayCard(const std::string &reader, const std::vector<std::string> &fields,
               const std::string &password = qvcard::kOpenedCardPassword) const;
  // An opened card with the amounts encoded under stamp, as the top-up writes it.
  void LaySealedCard(const std::string &reader, const std::string &number, int a, int b, int c, int d,
                     const std::string &stamp = "20261211093000") const;
  qvcard::Card CardIn(const std::string &reader) const;
  // Appends lines to the faults file of a reader ("" names the home folder).
  void PlanFaults(const std::string &reader, const std::string &lines) const;
  void WriteFile(const std::string &relative, const std::string &content) const;

 private:
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};
