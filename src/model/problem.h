#pragma once

#include <QString>

namespace kliv {

// A value the tool refuses, as data: what it is about and the rule it broke. The front
// ends put it into words (texts/problemtexts.h), so the link and the schema format nothing
// for a person.
struct Problem {
    enum class Rule {
        Range,       // a number outside min..max: a field's in its own units (tenths for a
                     // delay or a current)
        Item,        // a list's item number outside min..max
        Length,      // `value` characters of a text, or bytes of a request, above max
        Control,     // a text holds a control character
        CodePage,    // `text`: a character the relay's code page has no byte for
        Number,      // `text` is no number
        WholeNumber, // `text` is no whole number
        Reference,   // a calibration reference (`text`, else `value`) is no number above 0
        Coefficient, // a coefficient (`text`, else `value`) is no whole number in 0..max
        NoSignal,    // a channel's coefficient came out 0
        TooLarge,    // a channel's coefficient `value` came out above max
        Speed,       // `value` is no speed of the list
    };
    // A field's key, a calibration channel's ("ua".."iut"), Payload or Speed.
    QString key;
    Rule rule = Rule::Range;
    double value = 0;
    int min = 0, max = 0;
    QString text;
    bool operator==(const Problem&) const = default;

    static constexpr char Payload[] = "payload"; // a request's payload
    static constexpr char SpeedKey[] = "speed";  // the RS485 speed asked for
};

} // namespace kliv
