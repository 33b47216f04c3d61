/*
 * A unit's type is enforced: retyping a type's key carries its units along, and a type with
 * units cannot be deleted.  A unit whose type row is missing stops this step; give it an
 * existing type first.
 */

ALTER TABLE UNIDADE ADD CONSTRAINT FK_UNIDADE_TIPO_UNIDADE FOREIGN KEY (ID_TIPO_UNIDADE)
  REFERENCES TIPO_UNIDADE (ID_TIPO_UNIDADE) ON UPDATE CASCADE;
