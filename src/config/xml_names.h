// Name tables of the XML reader: character entity names and charset names.
#pragma once

#include <string>

// Code point of a named character reference ("amp", "eacute", ...); 0 when unknown.
char32_t LookupEntity(const std::string& name);

// Code page of a charset name or alias (ASCII case ignored): 65001 for "utf-8", 1252 for
// "windows-1252", 65005 for any name starting with "UTF-32". 0 when unknown, or for names
// shorter than two or of 100 characters or more.
int EncodingToCodePage(const std::string& name);
