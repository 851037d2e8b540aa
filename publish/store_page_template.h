// The store page's own markup, style sheet and script. The generator writes
// the template, then the lines that define CARDS and STORE, then the script;
// the script finds every element by its id. Both texts are plain ASCII.
#pragma once

// Head, style sheet and body; ends with an opening script tag and a LF.
extern const char kStorePageTemplate[];
// The script body, then the closing script, body and html tags.
extern const char kStorePageScript[];
// The "Show more" button of the template, after which the generator puts
// the credit footer.
extern const char kStorePageMoreButton[];
