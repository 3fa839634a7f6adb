#include "platform/graphics/HtmlStylesheet.h"

namespace platform {

const char* HtmlStylesheet::master() {
    return R"CSS(
html { display: block; position: relative; }
head, style, script, title, meta, link, base, template { display: none; }
body { display: block; margin: 8px; }
div, p, center, address, blockquote, figure, figcaption, form, fieldset, article, aside, footer,
header, main, nav, section, hgroup, details, summary, dl, dt, dd, pre, listing, xmp, plaintext {
    display: block;
}
p { margin-top: 1em; margin-bottom: 1em; }
blockquote { margin: 1em 40px; }
center { text-align: center; }
address, cite, dfn, var { font-style: italic; }
pre, listing, xmp, plaintext { white-space: pre; font-family: monospace; margin: 1em 0; }
code, kbd, samp, tt { font-family: monospace; }
dl { margin: 1em 0; }
dd { margin-left: 40px; }

h1, h2, h3, h4, h5, h6 { display: block; font-weight: bold; }
h1 { font-size: 2em; margin: 0.67em 0; }
h2 { font-size: 1.5em; margin: 0.83em 0; }
h3 { font-size: 1.17em; margin: 1em 0; }
h4 { font-size: 1em; margin: 1.33em 0; }
h5 { font-size: 0.83em; margin: 1.67em 0; }
h6 { font-size: 0.67em; margin: 2.33em 0; }

b, strong { font-weight: bold; }
i, em { font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
big { font-size: 1.17em; }
small { font-size: 0.83em; }
sub { vertical-align: sub; font-size: 0.83em; }
sup { vertical-align: super; font-size: 0.83em; }
font { display: inline; }
span, label, abbr, acronym, q, mark { display: inline; }

a { display: inline; }
a:link, a[href] { color: #0066CC; text-decoration: underline; }

br { display: block; }
hr { display: block; margin: 0.5em auto; border-style: inset; border-width: 1px; border-color: #A0A0A0; }
img { display: inline-block; }

ul, ol, menu, dir { display: block; margin: 1em 0; padding-left: 40px; }
ul, menu, dir { list-style-type: disc; }
ol { list-style-type: decimal; }
ul ul, ol ul { list-style-type: circle; }
ul ul ul, ol ul ul, ul ol ul { list-style-type: square; }
ul ul, ul ol, ol ol, ol ul { margin-top: 0; margin-bottom: 0; }
li { display: list-item; list-style-position: outside; }

table { display: table; border-collapse: separate; border-spacing: 2px; }
table[border] { border-style: outset; border-width: 1px; border-color: #808080; }
table[border] td, table[border] th { border-style: inset; border-width: 1px; border-color: #808080; }
thead { display: table-header-group; vertical-align: middle; }
tbody { display: table-row-group; vertical-align: middle; }
tfoot { display: table-footer-group; vertical-align: middle; }
col { display: table-column; }
colgroup { display: table-column-group; }
tr { display: table-row; vertical-align: inherit; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { font-weight: bold; text-align: center; }
caption { display: table-caption; text-align: center; }

input, button, select, textarea { display: inline-block; }
)CSS";
}

}  // namespace platform
