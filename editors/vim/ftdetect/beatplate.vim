" beatplate charts: files whose first line is a chart directive or a comment, and the names in
" g:beatplate_file_patterns (a list of patterns such as ['*.tja.txt', '*/charts/*.txt']). A
" chart's ".txt" would make it plain text, so the type is set over that one.
function! s:DetectChart() abort
  if getline(1) =~# '^\(#\(title\|difficulty\|level\|bpm\|hs\|meter\|beatchar\|tab\|branch\|begingogo\|endgogo\|newline\)\>\|;\)'
    set filetype=beatplate
  endif
endfunction

augroup beatplate_ftdetect
  autocmd!
  autocmd BufNewFile,BufRead *.txt call s:DetectChart()
  for s:pattern in get(g:, 'beatplate_file_patterns', [])
    execute 'autocmd BufNewFile,BufRead ' . s:pattern . ' set filetype=beatplate'
  endfor
augroup END
