// Exit in the main block ends the script successfully.
begin
  writeLn('one');
  Exit;
  writeLn('two');
end.
(* output
one
*)
