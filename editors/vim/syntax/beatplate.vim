" Colours for beatplate charts: comments, directives with their values, notes of each kind,
" spans and their counts.
if exists('b:current_syntax')
  finish
endif

syntax match beatplateComment /^;.*$/
" A directive the notation does not know is an error; the known ones are those of the reader's
" table, which a test keeps this list in line with.
syntax match beatplateUnknownDirective /^#\s*\S*/ nextgroup=beatplateValue skipwhite
syntax match beatplateDirective /^#\s*\(title\|difficulty\|level\|bpm\|hs\|meter\|beatchar\|tab\|branch\|begingogo\|endgogo\|newline\)\ze\(\s\|$\)/ nextgroup=beatplateValue skipwhite
syntax match beatplateValue /.*$/ contained
syntax match beatplateSmall /[oxc]/
syntax match beatplateBig /[OXC]/
syntax match beatplateSpan /[(<\[][^)>\]]*[)>\]]\?/ contains=beatplateCount
syntax match beatplateCount /[@bp]/ contained
syntax match beatplateTriplet /3/

highlight default link beatplateComment Comment
highlight default link beatplateDirective Keyword
highlight default link beatplateUnknownDirective Error
highlight default link beatplateValue String
highlight default link beatplateSmall Identifier
highlight default link beatplateBig Function
highlight default link beatplateSpan Operator
highlight default link beatplateCount Number
highlight default link beatplateTriplet Special

let b:current_syntax = 'beatplate'
