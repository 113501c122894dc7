begin
writeLn('start');
end.
(* output
start
*)
