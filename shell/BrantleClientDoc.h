#pragma once
// CBrantleClientDoc: the document of the single-document frame.  All
// business data lives on the server and in the pages, so the document holds
// nothing: a new document is always ready and saving writes nothing.

class CBrantleClientDoc {
 public:
  CBrantleClientDoc() = default;
  // Starts a new (empty) document; always succeeds.
  bool OnNewDocument() { return true; }
  // Writing or reading the document: there is nothing to write or read.
  template <typename Archive>
  void Serialize(Archive&) {}
};
