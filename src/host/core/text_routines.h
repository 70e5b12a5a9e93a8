// Text routines the screens share: order numbers, empty texts, registration
// numbers (CPF and CNPJ) and their display masks.
#pragma once

#include <QString>

namespace confcred::host::core {

// An order number in the fixed form the server stores: blanks around it
// trimmed; a text of digits only left-padded with zeros to `width`; any other
// text left as trimmed. An empty (or all-blank) text gives an empty text. A
// digit text already longer than `width` is left whole rather than cut, so no
// digit of a number is ever lost.
QString Ajusta(const QString& text, int width);

// True for an empty text and for one of blanks (spaces, tabs) only.
bool EmptyString(const QString& text);

// Keeps only the digits of a registration number: rewrites `text` and returns
// it ("123.456.789-01" -> "12345678901").
QString Ajusta_Inscricao(QString& text);

// Display mask for a registration number of digits only, in the edit-mask
// notation below: 11 digits (CPF) "000\.000\.000\-00;0;_", 14 digits (CNPJ)
// "00\.000\.000\/0000\-00;0;_"; any other length an empty mask, which shows
// the text as it is.
QString PictPess(const QString& text);

// The text as an edit with `mask` shows it. Notation (the classic edit mask):
//   "<format>[;<save literals 0|1>[;<blank char>]]"
//   format: 0 9 # L l A a C c are character slots (0 and L required, the rest
//           optional; the display does not check the kind of character);
//           "\x" is the literal x; > and < turn the following letters to upper
//           or lower case, <> stops that; any other character is a literal.
//   save literals 0: `text` holds the slot characters only, and the literals
//           are inserted; 1 (the default): `text` holds the literals too, at
//           their places, and is copied through them.
//   blank char (default '_'): shown for a slot the text does not fill.
// An empty mask returns the text unchanged. Slot characters left over after
// the mask is full are dropped, as the edit would.
QString FormatMaskText(const QString& mask, const QString& text);

}  // namespace confcred::host::core
